#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnok::test {

// The control `name` of `window`; a missing one fails the test.
template <class T = QWidget>
T* Control(QWidget* window, const char* name) {
    T* control = window->findChild<T*>(QString::fromLatin1(name));
    if (!control) throw std::runtime_error(std::string("no control ") + name);
    return control;
}

inline void Click(QWidget* w, const char* button) { QTest::mouseClick(Control(w, button), Qt::LeftButton); }
inline void Enter(QWidget* w, const char* box) { QTest::keyClick(Control(w, box), Qt::Key_Return); }
inline bool Enabled(QWidget* w, const char* control) { return Control(w, control)->isEnabled(); }
inline std::string Text(QWidget* w, const char* box) { return Control<QLineEdit>(w, box)->text().toStdString(); }

// Types into a text box as the user would, replacing what it held.
inline void Type(QWidget* w, const char* box, const QString& text) {
    auto* edit = Control<QLineEdit>(w, box);
    edit->clear();
    QTest::keyClicks(edit, text);
}

// True once the window has closed and its deletion has run.
template <class T>
bool Gone(const QPointer<T>& window) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
}

// Shows the dialogs of one test and deletes those still open when it ends.
class DialogTest : public ::testing::Test {
protected:
    template <class T>
    T* Open(T* dialog) {
        dialog->show();
        open_.emplace_back(dialog);
        return dialog;
    }
    void TearDown() override {
        for (auto& dialog : open_) delete dialog.data();
    }

private:
    std::vector<QPointer<QWidget>> open_;
};

}  // namespace varnok::test
