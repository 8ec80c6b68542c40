// Start-up and shut-down of the main window, and the window state they keep.
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <system_error>

#include "engine/ContinueOnFailure.h"
#include "engine/ProgramInfo.h"
#include "platform/Folders.h"
#include "platform/GameFolder.h"
#include "shell/FileListModel.h"
#include "shell/FolderPane.h"
#include "shell/MainSettings.h"
#include "shell/frmMain.h"
#include "shell/mRegistery.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

// A stored number, or nothing when the value is missing or not a number.
std::optional<int> StoredNumber(const std::string& text) {
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used != text.size()) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void CreateFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
}

}  // namespace

void frmMain::Load(const QString& commandLine) {
    ContinueOnFailure seq;
    seq.step([&] { tvFiles->SetDriveList(); });
    seq.step([&] {
        CreateFolder(WorkRoot());
        CreateFolder(ViewFolder());
    });
    seq.step([&] {
        settings_->OfferImport([this](const std::string& question) {
            return ShowMessage(question, std::string(kFileDescription) + kVersionComments, MessageIcon::Information,
                               MessageButtons::YesNo) == MessageAnswer::Yes;
        });
    });
    // Every setting start-up reads comes from this one reading of the file, made
    // when the version is stamped: with 1000 favourites that is some 2000 keys.
    IniValues stored;
    seq.step([&] { stored = settings_->StampVersion(); });
    seq.step([&] { RestoreWindowState(stored); });
    seq.step([&] {
        settings_->LoadFavorites(stored);
        RefreshFavoritesMenu();
    });
    seq.step([&] {
        settings_->LoadRecentFiles(stored);
        RefreshRecentMenu();
    });
    seq.step([&] { SearchGameData(); });
    seq.step([&] {
        if (stored.get("View", "ToolBar", "True") == "True") {
            tbToolBar->show();
            mnuViewToolbar->setChecked(true);
        }
    });
    seq.step([&] {
        if (stored.get("View", "StatusBar", "True") == "True") {
            statusBar()->show();
            mnuViewStatusBar->setChecked(true);
        }
    });
    seq.step([&] {
        const bool preview = settings_->Get("View", "Preview", "True") == "True";
        mnuViewPreview->setChecked(preview);
        ShowPreview(preview);
    });
    seq.step([&] { RegisterAssociations(); });
    seq.step([&] { DiscoverPlugIns(); });
    seq.step([&] {
        engine_.InitEngine();
        engine_.CloseArchive();
    });
    seq.step([&] { SetPanel(Panel::Message, "This is a beta version of Varnok and its for testing purposes only!"); });
    seq.step([&] { QCoreApplication::processEvents(); });
    seq.step([&] {
        if (!commandLine.isEmpty()) engine_.OpenArchive(commandLine.toStdString());
    });
}

void frmMain::RestoreWindowState(const IniValues& stored) {
    ContinueOnFailure seq;
    const auto number = [&stored](const std::string& section, const std::string& key) {
        return StoredNumber(stored.get(section, key, ""));
    };
    seq.step([&] {
        if (auto w = number("Position", "Width")) resize(ToPixels(*w), height());
        if (auto h = number("Position", "Height")) resize(width(), ToPixels(*h));
        if (auto top = number("Position", "Top")) move(x(), ToPixels(*top));
        if (auto left = number("Position", "Left")) move(ToPixels(*left), y());
    });
    QHeaderView* header = lstFiles->header();
    for (int n = 1; n <= 6; ++n) {
        const std::string section = "Column" + std::to_string(n);
        seq.step([&] {
            if (auto w = number(section, "Width")) header->resizeSection(n - 1, ToPixels(*w));
        });
        seq.step([&] {
            auto position = number(section, "Position");
            if (position && *position >= 0 && *position < kColumnCount) {
                header->moveSection(header->visualIndex(n - 1), *position);
            }
        });
    }
    seq.step([&] {
        if (auto w = number("Folders", "Width")) SizeControls(*w);
    });
}

void frmMain::SizeControls(int twips) {
    const int total = imgSplitter->width() > 0 ? imgSplitter->width() : width();
    const int pane = std::clamp(ToPixels(twips), ToPixels(1000), std::max(ToPixels(1000), total - ToPixels(1000)));
    imgSplitter->setSizes({pane, std::max(total - pane, 1)});
}

void frmMain::SaveWindowState() {
    ContinueOnFailure seq;
    seq.step([&] {
        settings_->Write("Position", "Width", std::to_string(ToTwips(width())));
        settings_->Write("Position", "Height", std::to_string(ToTwips(height())));
        settings_->Write("Position", "Top", std::to_string(ToTwips(y())));
        settings_->Write("Position", "Left", std::to_string(ToTwips(x())));
    });
    seq.step([&] {
        settings_->Write("View", "StatusBar", mnuViewStatusBar->isChecked() ? "True" : "False");
        settings_->Write("View", "ToolBar", mnuViewToolbar->isChecked() ? "True" : "False");
        settings_->Write("View", "Preview", mnuViewPreview->isChecked() ? "True" : "False");
    });
    seq.step([&] { SaveColumns(); });
}

// Deletes the files written for viewing; folders in it, and files still held
// open elsewhere, stay.
void frmMain::EmptyViewFolder() {
    std::error_code ec;
    for (fs::directory_iterator it(ViewFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored)) fs::remove(it->path(), ignored);
    }
    // Entries dragged out of the list were kept for the file manager until now.
    fs::remove_all(ViewFolder() / "drag", ec);
}

void frmMain::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    ContinueOnFailure seq;
    seq.step([&] { SaveWindowState(); });
    seq.step([&] { EmptyViewFolder(); });
}

void frmMain::closeEvent(QCloseEvent* event) {
    Unload();
    event->accept();
}

void frmMain::RefreshRecentMenu() {
    RecentFiles& recent = settings_->Recent();
    for (int n = 1; n <= RecentFiles::kEntries; ++n) {
        QAction* action = Recent[static_cast<std::size_t>(n)];
        const QString path = QString::fromStdString(recent.entry(n).caption);
        action->setData(path);
        // A "&" in a path is shown, not taken as an accelerator.
        action->setText(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        action->setVisible(recent.entry(n).visible);
    }
    mnuFileBar3->setVisible(recent.separatorVisible());
}

void frmMain::RefreshFavoritesMenu() {
    for (std::size_t i = 1; i < mnuFavoritesSub.size(); ++i) delete mnuFavoritesSub[i];
    mnuFavoritesSub.resize(1);
    for (int n = 1; n <= settings_->FavCount(); ++n) {
        QAction* action = mnuFavorites->addAction(
            QString::fromStdString(settings_->FavName(n)).replace(QLatin1Char('&'), QStringLiteral("&&")));
        action->setObjectName(QStringLiteral("mnuFavoritesSub%1").arg(n));
        connect(action, &QAction::triggered, this, [this, n] { engine_.OpenFavorite(n); });
        mnuFavoritesSub.push_back(action);
    }
}

void frmMain::SearchGameData() { engine_.SearchRFH(GetGameFolder()); }

void frmMain::RegisterAssociations() { varnok::RegisterAssociations(); }

}  // namespace varnok
