#include "ui/main/MenuMarks.h"

#include "app/ViewerController.h"
#include "core/settings/SettingsFile.h"
#include "ui/main/MainMenu.h"

#include <QAction>

MenuMarks::MenuMarks(ViewerController& controller, MainMenu& menu, QObject* parent)
    : QObject(parent), m_controller(controller), m_menu(menu) {
    connect(&m_controller, &ViewerController::jpegScaleChanged, this,
            [this](int scale) { CheckChoice(JpegScaleChoices(), scale); });
    QAction* sound = m_menu.action(Command::mnuSoundPlay);
    sound->setChecked(m_controller.soundOn());
    connect(&m_controller, &ViewerController::soundChanged, sound, &QAction::setChecked);
    connect(&m_controller, &ViewerController::zoomModeChanged, this,
            [this](int code) { CheckChoice(ZoomChoices(), code); });
    connect(&m_controller, &ViewerController::filtersChanged, this, &MenuMarks::CheckFilterItems);
    connect(&m_controller, &ViewerController::actualSizeChanged, this,
            [this](bool on) { m_menu.action(Command::mnuNormalSize)->setChecked(on); });
    connect(&m_controller, &ViewerController::sortModeChanged, this, &MenuMarks::CheckSortItem);
    ShowExternalApps();
}

void MenuMarks::ShowSettings() {
    CheckSortItem(SortOrderOfCode(m_controller.options().SortNo));
    ShowExternalApps();
}

void MenuMarks::CheckChoice(std::span<const CommandChoice> choices, int code) {
    for (const CommandChoice& choice : choices) {
        if (choice.code == code)
            m_menu.action(choice.id)->setChecked(true);
    }
}

void MenuMarks::CheckFilterItems(const FilterSettings& filters) {
    for (const FilterChoice& choice : FilterChoices()) {
        FilterSettings chosen = filters;
        choice.choose(chosen);
        if (chosen == filters)
            m_menu.action(choice.id)->setChecked(true);
    }
}

// An order the menu does not know checks the name order.
void MenuMarks::CheckSortItem(SortOrder order) {
    m_menu.action(Command::mnuSortFileName123)->setChecked(true);
    CheckChoice(SortChoices(), SortCodeOf(order));
}

// Each entry shows the name the settings give it, and only when a program belongs to it; the
// name "-" makes it a separator.
void MenuMarks::ShowExternalApps() {
    const Options& o = m_controller.options();
    for (int i = 0; i < 10; ++i) {
        QAction* entry = m_menu.action(QStringLiteral("popExApp%1").arg(i + 1));
        entry->setText(o.ExStr[i]);
        entry->setSeparator(o.ExStr[i] == QLatin1String("-"));
        entry->setVisible(ExternalAppVisible(o.ExStr[i], o.ExApp[i]));
    }
}
