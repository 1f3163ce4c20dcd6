#include "app/feedback/Feedback.h"

#include "app/Ticks.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"

namespace {

const QString& SoundFile(const Options& options, Sound kind) {
    switch (kind) {
    case Sound::Copy:
        return options.sndCopy;
    case Sound::Move:
        return options.sndMove;
    case Sound::Undo:
        return options.sndUndo;
    case Sound::CheckOn:
        return options.sndCheckOn;
    case Sound::CheckOff:
        return options.sndCheckOff;
    case Sound::EndOfList:
        break;
    }
    return options.sndLoop;
}

} // namespace

Feedback::Feedback(ViewerController& viewer) : ViewerPart(viewer) {}

void Feedback::AppendCaption(const QString& suffix) {
    TitleTexts texts = MakeTitleTexts(m_state, MakeTitleContext());
    texts.caption += suffix;
    emit titleChanged(texts);
}

std::optional<QString> Feedback::AskFolder(const QString& caption, const QString& start) {
    return m_viewer.prompts().folder(caption, start);
}

void Feedback::TitleDraw() {
    if (m_state.CurrentIndex == 0) {
        m_state.CurrentFile.clear();
    }
    emit titleChanged(MakeTitleTexts(m_state, MakeTitleContext()));
}

QString Feedback::Tip() const {
    return TipsStr(TickCount() + m_state.ExecutionCount);
}

TitleContext Feedback::MakeTitleContext() const {
    TitleContext context;
    context.slideShow = m_slideShow;
    context.timeFormat = m_options.TimeFormat;
    context.home = m_viewer.home();
    context.tip = Tip();
    context.marks = m_viewer.checks().Marks(m_state.CurrentFile);
    return context;
}

MessageResult Feedback::infoMes(const QString& text, MessageIcon icon, MessageButtons buttons) {
    const MessageResult result = m_viewer.prompts().message(text, icon, buttons);
    if (result == MessageResult::None) {
        TitleTexts texts = MakeTitleTexts(m_state, MakeTitleContext());
        texts.caption = QStringLiteral("Ruvela - ") + text;
        emit titleChanged(texts);
    }
    return result;
}

void Feedback::SoundPlay(Sound kind) {
    if (!m_soundOn) {
        return;
    }
    const QString& file = SoundFile(m_options, kind);
    if (!file.isEmpty() && PathKind(file) == PathType::File) {
        m_viewer.sounds().play(file);
    }
}

void Feedback::SetSoundOn(bool on) {
    if (on != m_soundOn) {
        m_soundOn = on;
        emit soundChanged(on);
    }
}

void Feedback::SetComment(const QString& text) {
    emit commentChanged(text);
}
