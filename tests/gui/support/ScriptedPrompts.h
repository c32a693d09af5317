#pragma once

#include "gui/main/UserPrompts.h"

#include <QStringList>
#include <deque>

// Answers a window's questions from a script so nothing blocks under test, and
// records what the user would have seen: messages as "title|message", questions
// by their title.
class ScriptedPrompts : public UserPrompts {
public:
    void inform(const QString& title, const QString& message) override { messages << title + u'|' + message; }
    void warn(const QString& title, const QString& message) override { messages << title + u'|' + message; }
    bool confirm(const QString& title, const QString& text) override
    {
        questions << title;
        questionTexts << text;
        return confirmAnswer;
    }
    // The next scripted answer; a cancelled box once the script runs out.
    std::optional<QString> askText(const QString& title, const QString& prompt, const QString&) override
    {
        asked << title + u'|' + prompt;
        if (answers.empty())
            return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::optional<QString> chooseFileToOpen(const QString& title, const QString&, const QString&) override
    {
        questions << title;
        if (files.empty())
            return std::nullopt;
        const QString file = files.front();
        files.pop_front();
        return file;
    }

    QStringList messages;
    QStringList questions;
    QStringList asked; // askText's title and prompt, as "title|prompt"
    QStringList questionTexts; // the text of each confirm() question
    bool confirmAnswer = true;
    std::deque<QString> answers;
    std::deque<QString> files;
};
