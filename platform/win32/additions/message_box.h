// Who answers MessageBoxA. On a desktop the answer is the user's, through a real
// message box. A program running unattended, and tests, give the answers in advance.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "windef.h"

namespace win32 {

// Answers one box: text and caption in UTF-8, the MB_ type; returns IDOK, IDYES, IDNO...
using MessageBoxHandler = std::function<int(const std::string& text, const std::string& caption, UINT type)>;

// Installs the handler that answers every MessageBoxA; an empty one restores the default
// chain: the desktop's box when there is one, else a question on the terminal when there
// is one, else No (with a note on standard error). On the terminal every line starts with
// the program's name. Returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Installs the desktop's own message box, used by the default chain while one is set
// (the windowing layer sets it while a display is up).
void SetDesktopMessageBox(MessageBoxHandler box);

// How a box's texts read on a terminal: the program may add to them, a translation say,
// or make outside text harmless. Texts go unchanged without one.
using TerminalGloss = std::function<std::string(const std::string& text)>;
void SetTerminalGloss(TerminalGloss gloss);

// Answers given in advance: questions take the answers in order, questions beyond them are
// answered No, boxes with only OK are acknowledged. Every box shown is recorded.
class ScriptedAnswers {
public:
    struct Shown {
        std::string text;
        std::string caption;
        UINT type;
        int answer;
    };

    explicit ScriptedAnswers(std::vector<int> answers = {});
    int Answer(const std::string& text, const std::string& caption, UINT type);
    const std::vector<Shown>& shown() const { return shown_; }
    // A handler for SetMessageBoxHandler that answers through this object.
    MessageBoxHandler Handler();

private:
    std::deque<int> answers_;
    std::vector<Shown> shown_;
};

}  // namespace win32
