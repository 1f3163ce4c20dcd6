#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>

// Answers the modal window that a blocking call opens, from inside that call's own event loop:
// make one, then make the call. Every few milliseconds it looks for a modal window other than
// `besides`; the first it finds goes to `answer`, and if `answer` leaves it open (a check in it
// failed, or it never pressed a button) it is closed here, so the call returns and the test
// fails on its checks instead of waiting for its time-out. Check what `answer` saw after the
// call returns. GUI thread.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer, const QWidget* besides = nullptr)
        : m_answer(std::move(answer)), m_besides(besides) {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this] { poll(); });
        m_poll.start();
    }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    // A modal window came up and went to `answer`.
    bool answered() const { return m_answered; }
    // `answer` left the window open, so it was closed here.
    bool leftOpen() const { return m_leftOpen; }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == m_besides || !modal->isVisible())
            return;
        m_poll.stop();
        m_answered = true;
        QPointer<QWidget> open(modal);
        m_answer(modal);
        if (open && open->isVisible()) {
            m_leftOpen = true;
            if (auto* dialog = qobject_cast<QDialog*>(open.data()))
                dialog->reject();
            else
                open->close();
        }
    }

    std::function<void(QWidget*)> m_answer;
    const QWidget* m_besides;
    QTimer m_poll;
    bool m_answered = false;
    bool m_leftOpen = false;
};
