#pragma once

#include "core/settings/Options.h"

#include <QDialog>
#include <QStringList>
#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class SoundPlayer;

// The options dialog "環境設定": edits a copy of the options on pages of switches, display,
// file kinds, check-list names, sounds, external applications, gesture and key bindings and the
// upload message. Fields the dialog does not show pass through unchanged. A command is bound to
// an input by dragging its name from the list "mgesList" onto the input's field. The dialog owns
// its widgets and lives on the GUI thread; it is shown modally and ends accepted when the user
// saves.
class TFormOption : public QDialog {
    Q_OBJECT

public:
    explicit TFormOption(SoundPlayer& sounds, QWidget* parent = nullptr);

    // Fills the controls from `options`.
    void setOptions(const Options& options);

    // The options given to setOptions with the values of the controls.
    Options options() const;

    // What the commands "閲覧先に設定する", "転送先に設定する" and "現在の倍率にする" store
    // when they are dropped on an input: the shown folder and the current zoom rate.
    void setCurrentPlace(const QString& folder, double rate);

    // The plug-in folder and the descriptions of the loaded plug-ins.
    void setPlugIns(const QString& folder, const QStringList& descriptions);

    // True once the dialog was closed with its save button.
    bool saved() const { return result() == QDialog::Accepted; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ColorChoice {
        qint32 Options::*field;
        QPushButton* button;
        qint32 value;
    };
    struct FontChoice {
        QString Options::*familyField;
        int Options::*sizeField;
        int Options::*styleField;
        QPushButton* button;
        QString family; // the choice so far, in the stored form
        int size;
        int style;
    };

    QWidget* buildGeneralPage();
    QWidget* buildDisplayPage();
    QWidget* buildFilesPage();
    QWidget* buildListPage();
    QWidget* buildSoundPage();
    QWidget* buildApplicationsPage();
    QWidget* buildGesturePage();
    QWidget* buildUploadPage();

    QCheckBox* addSwitch(bool Options::*field, const char* objectName, const QString& caption);
    QLineEdit* addText(QString Options::*field, const char* objectName);
    QPushButton* addColor(qint32 Options::*field, const char* objectName);
    QPushButton* addFont(QString Options::*family, int Options::*size, int Options::*style,
                         const char* objectName);
    QPushButton* fileChooser(QLineEdit* target, const QString& filter);

    void chooseColor(ColorChoice& choice);
    void chooseFont(FontChoice& choice);
    void showColor(const ColorChoice& choice);
    void showFont(const FontChoice& choice);
    void showCommentSample();

    SoundPlayer& m_sounds;
    Options m_options;
    QString m_currentFolder;
    double m_currentRate = 1.0;

    QTabWidget* m_pages = nullptr;
    std::vector<std::pair<bool Options::*, QCheckBox*>> m_switches;
    std::vector<std::pair<QString Options::*, QLineEdit*>> m_texts;
    std::vector<std::pair<QString Options::*, QLineEdit*>> m_gestures;
    std::vector<ColorChoice> m_colors;
    std::vector<FontChoice> m_fonts;
    std::array<QLineEdit*, 10> m_listNames{};
    std::array<QLineEdit*, 10> m_appNames{};
    std::array<QLineEdit*, 10> m_appPrograms{};
    QSlider* m_dragSpeed = nullptr;
    QLineEdit* m_maxSize = nullptr;
    QLineEdit* m_minSize = nullptr;
    QSpinBox* m_undoSize = nullptr;
    QSpinBox* m_slideShowTime = nullptr;
    QLineEdit* m_yahooMes = nullptr;
    QLabel* m_commentSample = nullptr;
    QLineEdit* m_plugInFolder = nullptr;
    QListWidget* m_plugIns = nullptr;
};
