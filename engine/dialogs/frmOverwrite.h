#pragma once

#include <QDialog>
#include <string>

#include "engine/EngineUi.h"

class QLabel;

namespace varnok {

// The overwrite question: Yes, No, Yes to All or No to All for a file that is
// already there. Modal; the main window asks it through EngineUi::AskOverwrite.
class frmOverwrite : public QDialog {
    Q_OBJECT
public:
    frmOverwrite(QWidget* parent, const std::string& question, const std::string& title);

    // The button pressed; None while none was (closed by the frame or Escape).
    OverwriteAnswer Answer() const noexcept { return answer_; }

    // Shows the question modally over `parent` and returns the answer.
    static OverwriteAnswer Ask(QWidget* parent, const std::string& question, const std::string& title);

private:
    void answerWith(OverwriteAnswer answer);

    OverwriteAnswer answer_ = OverwriteAnswer::None;
};

}  // namespace varnok
