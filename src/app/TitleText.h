#pragma once

#include "app/ViewerState.h"

#include <QList>
#include <QSize>
#include <QString>

// The texts of the window caption, the status bar and the task-bar title for a state.
struct TitleTexts {
    QString caption;
    QString taskTitle;
    QString panels[5];
    QString hint; // the status bar's hint: the shown file
};

// What the caption needs besides the state.
struct TitleContext {
    bool slideShow = false;
    QString marks;      // the check-list marks of the shown file
    QString timeFormat; // the date pattern of panel 2
    QString home;       // shortened to "~" in panel 4
    QString tip;        // panel 4 when nothing is shown
};

TitleTexts MakeTitleTexts(const ViewerState& state, const TitleContext& context);

// One of the nine start-up tips, chosen by `seed` (a clock tick plus the launch count).
QString TipsStr(qint64 seed);

// The text of the version box and its caption.
QString VersionCaption(int executionCount);
QString VersionText(int sortCount, int previousSortCount, const QList<QSize>& screens, const QString& tip);

// The menu caption of check list `list` (0 for A … 9 for J): "[0012] 汎用(&A)"; no access key is
// added when the name holds "&" of its own.
QString CheckListCaption(int list, int count, const QString& name);

// A list's name after its entry count as four digits in brackets: "[0012] 汎用".
QString CountedListName(qsizetype count, const QString& name);
