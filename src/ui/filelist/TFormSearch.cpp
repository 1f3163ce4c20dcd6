#include "ui/filelist/TFormSearch.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TFormSearch::TFormSearch(QWidget* owner)
    : QWidget(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_owner(owner), m_folder(new QLabel(this)), m_counts(new QLabel(this)),
      m_stop(new QPushButton(QStringLiteral("中止(&S)"), this)) {
    setObjectName(QStringLiteral("FormSearch"));
    setWindowTitle(QStringLiteral("下位フォルダを検索中..."));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(472, 70);

    // Long folder names are cut off rather than widening the window.
    m_folder->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_counts->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_stop->setFocusPolicy(Qt::NoFocus);
    m_stop->setEnabled(false);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_folder, 0, 0, 1, 2);
    layout->addWidget(m_counts, 1, 0);
    layout->addWidget(m_stop, 1, 1);
    layout->setColumnStretch(0, 1);

    m_timer.setSingleShot(true);
    m_timer.setInterval(kShowDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &TFormSearch::ShowLate);
    connect(m_stop, &QPushButton::clicked, this, &TFormSearch::stopRequested);
}

void TFormSearch::scanStarted() {
    m_running = true;
    m_sorting = false;
    m_folder->clear();
    m_counts->clear();
    m_stop->setEnabled(false);
    m_timer.start();
}

void TFormSearch::scanProgress(const QString& folder, int found, int lookedAt) {
    m_folder->setText(folder);
    m_counts->setText(QStringLiteral("%1 / %2").arg(found).arg(lookedAt));
}

void TFormSearch::scanSorting() {
    m_sorting = true;
    m_stop->setEnabled(false);
    m_folder->setText(QStringLiteral("Sort ..."));
}

void TFormSearch::scanFinished() {
    m_running = false;
    m_timer.stop();
    hide();
}

void TFormSearch::closeEvent(QCloseEvent* event) {
    if (m_running)
        emit stopRequested();
    QWidget::closeEvent(event);
}

void TFormSearch::ShowLate() {
    if (!m_running)
        return;
    CentreOverOwner();
    // Sorting cannot be stopped.
    m_stop->setEnabled(!m_sorting);
    show();
}

void TFormSearch::CentreOverOwner() {
    QRect area;
    if (m_owner && m_owner->isVisible())
        area = m_owner->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}
