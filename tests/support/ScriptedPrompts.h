#pragma once

#include "app/Services.h"
#include "core/common/SoundPlayer.h"
#include "core/common/UserPrompts.h"

#include <QSet>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

// The user's answers, given in advance; every question asked is recorded.
class ScriptedPrompts : public UserPrompts {
public:
    struct Asked {
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
    };

    // Answers in order; when they run out, every box is answered with `fallback`.
    std::deque<MessageResult> answers;
    MessageResult fallback = MessageResult::Ok;
    std::vector<Asked> asked;
    // The texts of the boxes asked so far.
    QStringList texts() const {
        QStringList all;
        for (const Asked& box : asked) {
            all << box.text;
        }
        return all;
    }
    // Runs as each question opens (a box, an input box, a picker), to look at the program while
    // it waits for the answer.
    std::function<void()> onAsk;

    MessageResult message(const QString& text, MessageIcon icon, MessageButtons buttons) override {
        asked.push_back({text, icon, buttons});
        Opened();
        if (answers.empty()) {
            return fallback;
        }
        const MessageResult answer = answers.front();
        answers.pop_front();
        return answer;
    }

    // Typed answers in order, a null text for a cancelled box; when they run out, every input
    // box is cancelled.
    QStringList typed;
    QStringList inputCaptions;

    std::optional<QString> input(const QString& caption, const QString& prompt, const QString&) override {
        inputCaptions << caption + QLatin1Char('|') + prompt;
        Opened();
        if (typed.isEmpty() || typed.first().isNull()) {
            if (!typed.isEmpty()) {
                typed.removeFirst();
            }
            return std::nullopt;
        }
        return typed.takeFirst();
    }

    // Folders chosen in order, a null text for a cancelled picker; when they run out, every
    // picker is cancelled. The captions and start folders asked are recorded.
    QStringList chosenFolders;
    QStringList folderCaptions;

    std::optional<QString> folder(const QString& caption, const QString& start) override {
        folderCaptions << caption + QLatin1Char('|') + start;
        Opened();
        return Take(chosenFolders);
    }

    // Files chosen in order by the open and save pickers, a null text for a cancelled picker;
    // when they run out, every picker is cancelled. Each picker asked is recorded.
    struct FilePicker {
        bool save;
        QString caption;
        QString start;
        QStringList filters;
    };
    QStringList chosenFiles;
    std::vector<FilePicker> filePickers;

    std::optional<QString> openFile(const QString& caption, const QString& start,
                                    const QStringList& filters) override {
        filePickers.push_back({false, caption, start, filters});
        Opened();
        return Take(chosenFiles);
    }

    std::optional<QString> saveFile(const QString& caption, const QString& start,
                                    const QStringList& filters) override {
        filePickers.push_back({true, caption, start, filters});
        Opened();
        return Take(chosenFiles);
    }

    // The information boxes shown.
    struct About {
        QString caption;
        QString text;
    };
    std::vector<About> aboutBoxes;

    void about(const QString& caption, const QString& text) override {
        aboutBoxes.push_back({caption, text});
        Opened();
    }

private:
    void Opened() const {
        if (onAsk) {
            onAsk();
        }
    }

    static std::optional<QString> Take(QStringList& answers) {
        if (answers.isEmpty()) {
            return std::nullopt;
        }
        const QString chosen = answers.takeFirst();
        return chosen.isNull() ? std::nullopt : std::optional<QString>(chosen);
    }
};

// Keys the test says are held.
class HeldKeys : public KeyState {
public:
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    Qt::MouseButtons buttons;
    QSet<int> keys;

    bool ctrlHeld() const override { return ctrl; }
    bool shiftHeld() const override { return shift; }
    bool altHeld() const override { return alt; }
    bool buttonHeld(Qt::MouseButton button) const override { return buttons.testFlag(button); }
    bool keyHeld(int qtKey) const override { return keys.contains(qtKey); }
};

// Records the sound files played.
class RecordedSounds : public SoundPlayer {
public:
    QStringList played;
    void play(const QString& file) override { played << file; }
};
