#include "message_box.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>

#include <unistd.h>

#include "winuser.h"

namespace win32 {
namespace {

std::mutex g_mutex;
MessageBoxHandler g_handler;
MessageBoxHandler g_desktopBox;
TerminalGloss g_gloss;

bool IsQuestion(UINT type)
{
    return (type & MB_TYPEMASK) == MB_YESNO || (type & MB_TYPEMASK) == MB_YESNOCANCEL;
}

// With nobody at a desktop: a question goes to the terminal when there is one; otherwise,
// and for boxes that only inform, the text goes to standard error and the answer is No.
int AnswerWithoutDesktop(const std::string& rawText, const std::string& rawCaption, UINT type)
{
    TerminalGloss gloss;
    {
        std::lock_guard lock(g_mutex);
        gloss = g_gloss;
    }
    const std::string text = gloss ? gloss(rawText) : rawText;
    const std::string caption = gloss ? gloss(rawCaption) : rawCaption;
    const char* program = program_invocation_short_name;
    if (!IsQuestion(type)) {
        std::fprintf(stderr, "%s: [%s] %s\n", program, caption.c_str(), text.c_str());
        return IDOK;
    }
    if (::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO)) {
        std::fprintf(stderr, "%s: %s\n  %s [y/N] ", program, caption.c_str(), text.c_str());
        std::fflush(stderr);
        std::string reply;
        if (std::getline(std::cin, reply) && !reply.empty() && (reply[0] == 'y' || reply[0] == 'Y')) {
            return IDYES;
        }
        return IDNO;
    }
    std::fprintf(stderr, "%s: %s %s: answered No (no one to ask; give answers with --answer)\n", program,
                 caption.c_str(), text.c_str());
    return IDNO;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(g_mutex);
    std::swap(g_handler, handler);
    return handler;
}

void SetTerminalGloss(TerminalGloss gloss)
{
    std::lock_guard lock(g_mutex);
    g_gloss = std::move(gloss);
}

void SetDesktopMessageBox(MessageBoxHandler box)
{
    std::lock_guard lock(g_mutex);
    g_desktopBox = std::move(box);
}

ScriptedAnswers::ScriptedAnswers(std::vector<int> answers) : answers_(answers.begin(), answers.end()) {}

int ScriptedAnswers::Answer(const std::string& text, const std::string& caption, UINT type)
{
    int answer = IDOK;
    if (IsQuestion(type)) {
        answer = IDNO;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
    }
    shown_.push_back(Shown{text, caption, type, answer});
    return answer;
}

MessageBoxHandler ScriptedAnswers::Handler()
{
    return
        [this](const std::string& text, const std::string& caption, UINT type) { return Answer(text, caption, type); };
}

}  // namespace win32

int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const std::string text = lpText ? lpText : "";
    const std::string caption = lpCaption ? lpCaption : "Error";
    win32::MessageBoxHandler handler;
    {
        std::lock_guard lock(win32::g_mutex);
        handler = win32::g_handler ? win32::g_handler : win32::g_desktopBox;
    }
    if (handler) {
        return handler(text, caption, uType);
    }
    return win32::AnswerWithoutDesktop(text, caption, uType);
}
