#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "samples/SampleArchives.h"
#include "shell/FileListModel.h"
#include "shell/frmMain.h"
#include "shell/settings/IniAccess.h"
#include "tests/support/TempDir.h"

namespace varnok::test {

// Writing the demo archives takes seconds, so the tests copy the set the build
// wrote. Should it be missing, one set is written for the run. (Its folder points VARNOK_WINDOWS_DIR at
// itself when made, so it is made before a test's own TempDir.)
class SampleSet {
public:
    static const SampleSet& Get() {
        static const SampleSet set;
        return set;
    }
    void CopyTo(const std::filesystem::path& folder) const {
        for (const char* name : {"demo.rfh", "demo.rfd", "demo.bag", "demo.mpk"}) {
            std::filesystem::copy_file(folder_ / name, folder / name);
        }
    }

private:
    SampleSet() : folder_(VARNOK_DEMO_ARCHIVES) {
        if (std::filesystem::exists(folder_ / "demo.mpk")) return;
        written_ = std::make_unique<TempDir>();
        folder_ = written_->path();
        samples::WriteSampleArchives(folder_);
    }
    std::filesystem::path folder_;
    std::unique_ptr<TempDir> written_;
};

// One main window over a fresh temporary folder that holds the demo archives
// and the Windows folder, so the settings file and the work folders are the
// test's own. The window is built only by Start(), so a test can first put
// settings in place. Any modal box that comes up is dismissed and its text
// kept: a message never blocks a test, and one nobody expected fails it.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        samples_.CopyTo(tmp.path());
        modalGuard_.setInterval(20);
        QObject::connect(&modalGuard_, &QTimer::timeout, [this] {
            auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!modal) return;
            if (answerDialog && answerDialog(modal)) return;
            auto* box = qobject_cast<QMessageBox*>(modal);
            messages.push_back(box ? box->text().toStdString() : modal->objectName().toStdString());
            modal->reject();
        });
        modalGuard_.start();
    }

    void TearDown() override { EXPECT_TRUE(messages.empty()) << "unexpected message: " << messages.front(); }

    // Builds and shows the window, then runs its start-up as the program does.
    frmMain& Start(const QString& commandLine = {}) {
        window.reset();
        window = std::make_unique<frmMain>();
        window->show();
        window->Load(commandLine);
        return *window;
    }

    std::string Path(const std::string& name) const { return (tmp / name).string(); }
    void Open(const std::string& name) { window->Engine().OpenArchive(Path(name)); }

    template <class T = QWidget>
    T* Find(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found) throw std::runtime_error(std::string("no control ") + name);
        return found;
    }
    QAction* Action(const char* name) const { return Find<QAction>(name); }
    std::string Panel(int n) const {
        return Find<QLabel>(("sbPanel" + std::to_string(n)).c_str())->text().toStdString();
    }
    FileListView* List() const { return Find<FileListView>("lstFiles"); }
    int Rows() const { return List()->model()->rowCount(); }

    static std::string Stored(const std::string& section, const std::string& key) {
        return INIAccess(SettingsFile(), "GET", section, key, std::nullopt, "");
    }
    static void Store(const std::string& section, const std::string& key, const std::string& value) {
        INIAccess(SettingsFile(), "WRITE", section, key, value, "");
    }

private:
    const SampleSet& samples_ = SampleSet::Get();

protected:
    TempDir tmp;
    std::unique_ptr<frmMain> window;
    std::vector<std::string> messages;
    // A test that expects a dialog sets this: it answers the dialog and returns
    // true, or returns false to leave it to the guard as an unexpected message.
    std::function<bool(QDialog*)> answerDialog;

private:
    QTimer modalGuard_;
};

}  // namespace varnok::test
