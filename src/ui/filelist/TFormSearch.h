#pragma once

#include "app/Services.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

// The progress window of a subfolder scan ("下位フォルダを検索中..."). It shows itself only when
// the scan is still running 400 ms after it started, centred over its owner, without taking
// the focus; its button or its closing asks for the scan to stop (`stopRequested`). Lives for
// the whole run on the GUI thread, shown and hidden by the controller's calls.
class TFormSearch : public QWidget, public ScanWindow {
    Q_OBJECT

public:
    static constexpr int kShowDelayMs = 400;

    explicit TFormSearch(QWidget* owner = nullptr);

    // The window it is centred over when shown; the screen when none.
    void setOwner(QWidget* owner) { m_owner = owner; }

    void scanStarted() override;
    void scanProgress(const QString& folder, int found, int lookedAt) override;
    void scanSorting() override;
    void scanFinished() override;

    QLabel* folderLabel() const { return m_folder; }
    QLabel* countLabel() const { return m_counts; }
    QPushButton* stopButton() const { return m_stop; }

signals:
    void stopRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowLate();
    void CentreOverOwner();

    QPointer<QWidget> m_owner;
    QLabel* m_folder;
    QLabel* m_counts;
    QPushButton* m_stop;
    QTimer m_timer;
    bool m_running = false;
    bool m_sorting = false;
};
