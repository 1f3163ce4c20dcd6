#include "ui/settings/TFormOption.h"

#include "app/CommandNames.h"
#include "core/common/SoundPlayer.h"
#include "core/settings/SettingsFile.h"
#include "ui/common/StoredColor.h"
#include "ui/common/StoredFont.h"
#include "ui/settings/CommandNameList.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const QString kSoundFilter = QStringLiteral("WAVEファイル (*.wav *.WAV);;すべてのファイル (*)");
const QString kProgramFilter = QStringLiteral("すべてのファイル (*)");

QString CheckListLetter(int index) {
    return QString(QChar(u'Ａ' + index));
}

// The command name carried by a drag, when it is one of the list's rows.
QString DraggedCommand(const QMimeData* data) {
    if (!data || !data->hasText())
        return {};
    const QString text = data->text();
    return CommandNames().contains(text) ? text : QString();
}

QWidget* Scrolled(QWidget* page) {
    auto* area = new QScrollArea;
    area->setWidget(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}

} // namespace

TFormOption::TFormOption(SoundPlayer& sounds, QWidget* parent) : QDialog(parent), m_sounds(sounds) {
    setWindowTitle(QStringLiteral("環境設定"));
    setModal(true);

    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->addTab(Scrolled(buildGeneralPage()), QStringLiteral("全般"));
    m_pages->addTab(Scrolled(buildDisplayPage()), QStringLiteral("表示"));
    m_pages->addTab(Scrolled(buildFilesPage()), QStringLiteral("ファイル形式"));
    m_pages->addTab(Scrolled(buildListPage()), QStringLiteral("チェックリスト"));
    m_pages->addTab(Scrolled(buildSoundPage()), QStringLiteral("サウンド"));
    m_pages->addTab(Scrolled(buildApplicationsPage()), QStringLiteral("外部アプリ"));
    m_pages->addTab(buildGesturePage(), QStringLiteral("マウス・キー"));
    m_pages->addTab(Scrolled(buildUploadPage()), QStringLiteral("アップロード"));

    auto* buttons = new QDialogButtonBox;
    QPushButton* save = buttons->addButton(QStringLiteral("保存(&S)"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("btnSave"));
    save->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル(&C)"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(buttons);
    resize(760, 560);

    setOptions(Options{});
}

QWidget* TFormOption::buildGeneralPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* switches = new QGroupBox(QStringLiteral("動作"));
    auto* switchLayout = new QVBoxLayout(switches);
    const struct {
        bool Options::*field;
        const char* name;
        const char* caption;
    } rows[] = {
        {&Options::SwImgOpen, "stdFileOpen", "前回開いていたファイルを起動時に開く"},
        {&Options::SwTxtOpen, "stdTextFileOpen", "同名のテキストファイルがあればコメント領域に読み込む"},
        {&Options::SwFilterReset, "stdFilterReset", "画像を切り替えたらフィルタを標準に戻す"},
        {&Options::SwDeleteDialog, "stdDialogOff",
         "ファイルの削除やクリアの際に確認のダイアログを表示しない"},
        {&Options::SwListClear, "stdListClear", "一括コピー・移動の後でチェックリストをクリアする"},
        {&Options::SwListLoop, "stdListLoop", "画像リストをループにする"},
        {&Options::SwNodeOpen, "stdNodeOpen", "ツリーで選んだフォルダを一階層だけ開く"},
        {&Options::JpegQuality, "JpegQuality", "JPEG展開時にクオリティーを優先する"},
        {&Options::SwCheckNext, "stdCheckNext", "画像をチェックorコピーしたら次へ進む"},
        {&Options::SwLowFolder, "stdLowFolder", "下位フォルダへの振り分けを使用する"},
        {&Options::SwSmallSharp, "stdSmallSharp", "縮小表示の時にシャープをかける"},
        {&Options::SwShiftPlusKey, "stdShiftPlusKey", "Shift+キーボードでフォルダ選択にする"},
        {&Options::SwImageLeft, "stdImageLeft", "表示画像を左側に寄せる"},
        {&Options::SwImageCopyB, "stdImageCopy", "画像振り分け時にファイルをコピーする"},
        {&Options::SwJpegOrient, "stdJpegKaiten", "Exifによる回転を行う"},
        {&Options::SwWheelNext, "stdWheelNext", "Webページの表示中はホイールで画像を送らない"},
    };
    for (const auto& row : rows)
        switchLayout->addWidget(addSwitch(row.field, row.name, QString::fromUtf8(row.caption)));
    layout->addWidget(switches);

    auto* journal = new QGroupBox(QStringLiteral("アンドゥ"));
    auto* journalLayout = new QFormLayout(journal);
    m_undoSize = new QSpinBox;
    m_undoSize->setObjectName(QStringLiteral("UpDown2"));
    m_undoSize->setRange(10, 4096);
    m_undoSize->setSingleStep(32);
    journalLayout->addRow(QStringLiteral("アンドゥの記録数（再起動後に有効）"), m_undoSize);
    layout->addWidget(journal);

    auto* slides = new QGroupBox(QStringLiteral("スライド・ショー"));
    auto* slideLayout = new QFormLayout(slides);
    m_slideShowTime = new QSpinBox;
    m_slideShowTime->setObjectName(QStringLiteral("UpDown1"));
    m_slideShowTime->setRange(500, 30000);
    m_slideShowTime->setSingleStep(100);
    m_slideShowTime->setSuffix(QStringLiteral(" ミリ秒"));
    slideLayout->addRow(QStringLiteral("表示の間隔"), m_slideShowTime);
    slideLayout->addRow(addSwitch(&Options::SlideShowReverse, "SlideShowReverse",
                                  QStringLiteral("スライド・ショーを逆順に進める")));
    layout->addWidget(slides);
    layout->addStretch();
    return page;
}

QWidget* TFormOption::buildDisplayPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* scrolling = new QGroupBox(QStringLiteral("ドラッグスクロールの速さ"));
    auto* scrollLayout = new QHBoxLayout(scrolling);
    m_dragSpeed = new QSlider(Qt::Horizontal);
    m_dragSpeed->setObjectName(QStringLiteral("DragSpeed"));
    m_dragSpeed->setRange(0, 5);
    m_dragSpeed->setPageStep(1);
    m_dragSpeed->setTickPosition(QSlider::TicksBelow);
    m_dragSpeed->setTickInterval(1);
    scrollLayout->addWidget(new QLabel(QStringLiteral("遅い")));
    scrollLayout->addWidget(m_dragSpeed);
    scrollLayout->addWidget(new QLabel(QStringLiteral("速い")));
    layout->addWidget(scrolling);

    auto* colors = new QGroupBox(QStringLiteral("色とフォント"));
    auto* colorLayout = new QFormLayout(colors);
    colorLayout->addRow(QStringLiteral("画像領域の背景色"), addColor(&Options::ImgBackColor, "ImgBackColor"));
    colorLayout->addRow(QStringLiteral("コメント領域の背景色"),
                        addColor(&Options::CommentBackColor, "CommentBackColor"));
    colorLayout->addRow(QStringLiteral("コメントの文字色"),
                        addColor(&Options::CommentFontColor, "CommentFontColor"));
    colorLayout->addRow(
        QStringLiteral("コメントのフォント"),
        addFont(&Options::CommentFont, &Options::CommentFontSize, &Options::CommentFontStyle, "CommentFont"));
    m_commentSample = new QLabel(QStringLiteral("コメント領域の表示例 AaBbCc 123"));
    m_commentSample->setObjectName(QStringLiteral("CommentSample"));
    m_commentSample->setAutoFillBackground(true);
    m_commentSample->setMargin(6);
    colorLayout->addRow(QString(), m_commentSample);
    colorLayout->addRow(
        QStringLiteral("フォルダツリーのフォント"),
        addFont(&Options::TreeFont, &Options::TreeFontSize, &Options::TreeFontStyle, "TreeFont"));
    layout->addWidget(colors);

    auto* time = new QGroupBox(QStringLiteral("日付と時刻"));
    auto* timeLayout = new QFormLayout(time);
    timeLayout->addRow(QStringLiteral("表示形式"), addText(&Options::TimeFormat, "TimeFormat"));
    layout->addWidget(time);
    layout->addStretch();
    return page;
}

QWidget* TFormOption::buildFilesPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* engines = new QGroupBox(QStringLiteral("内蔵エンジン"));
    auto* engineLayout = new QVBoxLayout(engines);
    engineLayout->addWidget(
        addSwitch(&Options::Bmp, "BmpSwitch", QStringLiteral("内蔵のBMPエンジンを使用する")));
    engineLayout->addWidget(
        addSwitch(&Options::Jpeg, "JpegSwitch", QStringLiteral("内蔵のJPEGエンジンを使用する")));
    engineLayout->addWidget(
        addSwitch(&Options::Png, "PngSwitch", QStringLiteral("内蔵のPNGエンジンを使用する")));
    engineLayout->addWidget(
        addSwitch(&Options::Gif, "GifSwitch", QStringLiteral("内蔵のGIFエンジンを使用する")));
    layout->addWidget(engines);

    auto* browser = new QGroupBox(QStringLiteral("ブラウザで表示するファイル"));
    auto* browserLayout = new QVBoxLayout(browser);
    browserLayout->addWidget(
        addSwitch(&Options::IeGif, "IeGifSwitch", QStringLiteral("IEの機能でGIFアニメを再生する")));
    browserLayout->addWidget(
        addSwitch(&Options::Html, "HtmlSwitch", QStringLiteral("HTM、HTML、MHTを表示する")));
    browserLayout->addWidget(
        addSwitch(&Options::Txt, "TxtSwitch", QStringLiteral("TXTファイルをHTML化して表示する")));
    browserLayout->addWidget(
        addSwitch(&Options::Swf, "SwfSwitch", QStringLiteral("SWF（フラッシュ）を再生する")));
    browserLayout->addWidget(
        addSwitch(&Options::Mp3, "Mp3Switch", QStringLiteral("MP3、WMA、MIDI、WAVを再生する")));
    browserLayout->addWidget(
        addSwitch(&Options::Avi, "AviSwitch", QStringLiteral("MP4、WMV、AVI、MPEGを再生する")));
    layout->addWidget(browser);

    auto* sizes = new QGroupBox(QStringLiteral("一覧に入れるファイルの大きさ"));
    auto* sizeLayout = new QFormLayout(sizes);
    m_maxSize = new QLineEdit;
    m_maxSize->setObjectName(QStringLiteral("MaxSize"));
    m_minSize = new QLineEdit;
    m_minSize->setObjectName(QStringLiteral("MinSize"));
    sizeLayout->addRow(QStringLiteral("最大（バイト）"), m_maxSize);
    sizeLayout->addRow(QStringLiteral("最小（バイト）"), m_minSize);
    layout->addWidget(sizes);

    auto* plugIns = new QGroupBox(QStringLiteral("プラグイン"));
    auto* plugInLayout = new QFormLayout(plugIns);
    m_plugInFolder = new QLineEdit;
    m_plugInFolder->setObjectName(QStringLiteral("PlugInSearchPath"));
    m_plugInFolder->setReadOnly(true);
    m_plugIns = new QListWidget;
    m_plugIns->setObjectName(QStringLiteral("PlugInList"));
    m_plugIns->setToolTip(QStringLiteral("Ruvelaで認識されたプラグイン"));
    plugInLayout->addRow(QStringLiteral("フォルダ"), m_plugInFolder);
    plugInLayout->addRow(QStringLiteral("Ruvelaで認識されたプラグイン"), m_plugIns);
    layout->addWidget(plugIns);
    layout->addStretch();
    return page;
}

QWidget* TFormOption::buildListPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* names = new QGroupBox(QStringLiteral("チェックリストの名前"));
    auto* nameLayout = new QFormLayout(names);
    for (int i = 0; i < 10; ++i) {
        m_listNames[i] = new QLineEdit;
        m_listNames[i]->setObjectName(QStringLiteral("ListEdit%1").arg(i + 1));
        nameLayout->addRow(QStringLiteral("チェックリスト") + CheckListLetter(i), m_listNames[i]);
    }
    layout->addWidget(names);
    layout->addStretch();
    return page;
}

QWidget* TFormOption::buildSoundPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(addSwitch(&Options::sndPlay, "sndPlay", QStringLiteral("サウンドを再生する")));

    auto* files = new QGroupBox(QStringLiteral("鳴らすサウンドファイル"));
    auto* grid = new QGridLayout(files);
    const struct {
        QString Options::*field;
        const char* name;
        const char* caption;
    } rows[] = {
        {&Options::sndMove, "sndMove", "ファイルを移動した時"},
        {&Options::sndCopy, "sndCopy", "ファイルをコピーした時"},
        {&Options::sndUndo, "sndUndo", "アンドゥ・リドゥした時"},
        {&Options::sndCheckOn, "sndCheckOn", "チェックを付けた時"},
        {&Options::sndCheckOff, "sndCheckOff", "チェックを外した時"},
        {&Options::sndLoop, "sndLoop", "リストの端に来た時"},
    };
    int line = 0;
    for (const auto& row : rows) {
        QLineEdit* edit = addText(row.field, row.name);
        auto* test = new QPushButton(QStringLiteral("再生"));
        test->setObjectName(QString::fromUtf8(row.name) + QStringLiteral("Test"));
        connect(test, &QPushButton::clicked, this, [this, edit] { m_sounds.play(edit->text()); });
        grid->addWidget(new QLabel(QString::fromUtf8(row.caption)), line, 0);
        grid->addWidget(edit, line, 1);
        grid->addWidget(fileChooser(edit, kSoundFilter), line, 2);
        grid->addWidget(test, line, 3);
        ++line;
    }
    grid->setColumnStretch(1, 1);
    layout->addWidget(files);
    layout->addStretch();
    return page;
}

QWidget* TFormOption::buildApplicationsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("メニューに表示する名前")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("起動するプログラム")), 0, 2);
    for (int i = 0; i < 10; ++i) {
        m_appNames[i] = new QLineEdit;
        m_appNames[i]->setObjectName(QStringLiteral("appName%1").arg(i + 1));
        m_appPrograms[i] = new QLineEdit;
        m_appPrograms[i]->setObjectName(QStringLiteral("appConsole%1").arg(i + 1));
        grid->addWidget(new QLabel(QString::number(i + 1)), i + 1, 0);
        grid->addWidget(m_appNames[i], i + 1, 1);
        grid->addWidget(m_appPrograms[i], i + 1, 2);
        grid->addWidget(fileChooser(m_appPrograms[i], kProgramFilter), i + 1, 3);
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 3);
    layout->addLayout(grid);
    auto* hint = new QLabel(QStringLiteral("名前とプログラムの両方を入れた項目がメニューに表示されます。"
                                           "名前に半角ハイフン「-」を設定するとセパレータになります。"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addStretch();
    return page;
}

QWidget* TFormOption::buildGesturePage() {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);

    auto* commands = new QVBoxLayout;
    commands->addWidget(new QLabel(QStringLiteral("コマンド")));
    auto* list = new CommandNameList;
    list->setObjectName(QStringLiteral("mgesList"));
    commands->addWidget(list);
    layout->addLayout(commands, 1);

    auto* inputs = new QWidget;
    auto* inputLayout = new QVBoxLayout(inputs);
    auto* hint =
        new QLabel(QStringLiteral("左の一覧からコマンドをドラッグして、割り当てる欄に落として下さい。"));
    hint->setWordWrap(true);
    inputLayout->addWidget(hint);

    auto* drags = new QGroupBox(QStringLiteral("右ボタンでドラッグ"));
    auto* dragGrid = new QGridLayout(drags);
    auto* clicks = new QGroupBox(QStringLiteral("クリックとホイール"));
    auto* clickLayout = new QFormLayout(clicks);
    auto* keys = new QGroupBox(QStringLiteral("キー"));
    auto* keyLayout = new QFormLayout(keys);
    for (const BindableInput& input : BindableInputs()) {
        auto* field = new QLineEdit;
        field->setObjectName(QString::fromUtf8(input.editName));
        field->setReadOnly(true);
        field->installEventFilter(this);
        m_gestures.emplace_back(input.field, field);
        const QString key = QString::fromUtf8(input.key);
        const QString label = QString::fromUtf8(input.label);
        if (key.size() == 5 && key.startsWith(QStringLiteral("mGes"))) {
            // The eight directions and the plain right click sit as on a numeric keypad.
            const int digit = key.back().digitValue() - 1;
            auto* cell = new QVBoxLayout;
            cell->addWidget(new QLabel(label));
            cell->addWidget(field);
            dragGrid->addLayout(cell, 2 - digit / 3, digit % 3);
        } else if (key.startsWith(QStringLiteral("kGes"))) {
            keyLayout->addRow(label, field);
        } else {
            clickLayout->addRow(label, field);
        }
    }
    inputLayout->addWidget(drags);
    inputLayout->addWidget(clicks);
    inputLayout->addWidget(keys);
    inputLayout->addStretch();
    layout->addWidget(Scrolled(inputs), 2);
    return page;
}

QWidget* TFormOption::buildUploadPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* message = new QGroupBox(QStringLiteral("画像に書き込むメッセージ"));
    auto* messageLayout = new QFormLayout(message);
    m_yahooMes = addText(&Options::YahooMes, "editYahooMes");
    messageLayout->addRow(QStringLiteral("メッセージ"), m_yahooMes);
    messageLayout->addRow(QStringLiteral("文字色"),
                          addColor(&Options::YahooMesFontColor, "YahooMesFontColor"));
    layout->addWidget(message);
    layout->addStretch();
    return page;
}

QCheckBox* TFormOption::addSwitch(bool Options::*field, const char* objectName, const QString& caption) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(QString::fromUtf8(objectName));
    m_switches.emplace_back(field, box);
    return box;
}

QLineEdit* TFormOption::addText(QString Options::*field, const char* objectName) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromUtf8(objectName));
    m_texts.emplace_back(field, edit);
    return edit;
}

QPushButton* TFormOption::addColor(qint32 Options::*field, const char* objectName) {
    auto* button = new QPushButton(QStringLiteral("色の選択..."));
    button->setObjectName(QString::fromUtf8(objectName));
    const std::size_t index = m_colors.size();
    m_colors.push_back({field, button, 0});
    connect(button, &QPushButton::clicked, this, [this, index] { chooseColor(m_colors[index]); });
    return button;
}

QPushButton* TFormOption::addFont(QString Options::*family, int Options::*size, int Options::*style,
                                  const char* objectName) {
    auto* button = new QPushButton;
    button->setObjectName(QString::fromUtf8(objectName));
    const std::size_t index = m_fonts.size();
    m_fonts.push_back({family, size, style, button, QString(), 0, 0});
    connect(button, &QPushButton::clicked, this, [this, index] { chooseFont(m_fonts[index]); });
    return button;
}

QPushButton* TFormOption::fileChooser(QLineEdit* target, const QString& filter) {
    auto* button = new QPushButton(QStringLiteral("参照..."));
    button->setObjectName(target->objectName() + QStringLiteral("Browse"));
    connect(button, &QPushButton::clicked, this, [this, target, filter] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("ファイルを選択して下さい"),
                                                          target->text(), filter);
        if (!file.isEmpty())
            target->setText(file);
    });
    return button;
}

void TFormOption::chooseColor(ColorChoice& choice) {
    const QColor color =
        QColorDialog::getColor(ColorFromStored(choice.value, palette()), this, QStringLiteral("色の選択"));
    if (!color.isValid())
        return;
    choice.value = StoredFromColor(color);
    showColor(choice);
    showCommentSample();
}

void TFormOption::chooseFont(FontChoice& choice) {
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, FontFromStored(choice.family, choice.size, choice.style),
                                            this, QStringLiteral("フォントの選択"));
    if (!chosen)
        return;
    choice.family = font.family();
    choice.size = font.pointSize();
    choice.style = StoredFontStyle(font);
    showFont(choice);
    showCommentSample();
}

void TFormOption::showColor(const ColorChoice& choice) {
    QPixmap swatch(24, 16);
    swatch.fill(ColorFromStored(choice.value, palette()));
    choice.button->setIcon(QIcon(swatch));
    if (choice.field == &Options::YahooMesFontColor) {
        QPalette colours = m_yahooMes->palette();
        colours.setColor(QPalette::Text, ColorFromStored(choice.value, palette()));
        m_yahooMes->setPalette(colours);
    }
}

void TFormOption::showFont(const FontChoice& choice) {
    QStringList parts{choice.family, QStringLiteral("%1pt").arg(choice.size)};
    const QFont font = FontFromStored(choice.family, choice.size, choice.style);
    if (font.bold())
        parts << QStringLiteral("太字");
    if (font.italic())
        parts << QStringLiteral("斜体");
    if (font.underline())
        parts << QStringLiteral("下線");
    if (font.strikeOut())
        parts << QStringLiteral("取り消し線");
    choice.button->setText(parts.join(QStringLiteral(", ")));
}

void TFormOption::showCommentSample() {
    QPalette colours = m_commentSample->palette();
    for (const ColorChoice& choice : m_colors) {
        if (choice.field == &Options::CommentBackColor)
            colours.setColor(QPalette::Window, ColorFromStored(choice.value, palette()));
        else if (choice.field == &Options::CommentFontColor)
            colours.setColor(QPalette::WindowText, ColorFromStored(choice.value, palette()));
    }
    m_commentSample->setPalette(colours);
    for (const FontChoice& choice : m_fonts) {
        if (choice.familyField == &Options::CommentFont)
            m_commentSample->setFont(FontFromStored(choice.family, choice.size, choice.style));
    }
}

void TFormOption::setOptions(const Options& options) {
    m_options = options;
    for (const auto& [field, box] : m_switches)
        box->setChecked(options.*field);
    for (const auto& [field, edit] : m_texts)
        edit->setText(options.*field);
    for (const auto& [field, edit] : m_gestures)
        edit->setText(options.*field);
    for (ColorChoice& choice : m_colors) {
        choice.value = options.*choice.field;
        showColor(choice);
    }
    for (FontChoice& choice : m_fonts) {
        choice.family = options.*choice.familyField;
        choice.size = options.*choice.sizeField;
        choice.style = options.*choice.styleField;
        showFont(choice);
    }
    showCommentSample();
    for (int i = 0; i < 10; ++i) {
        m_listNames[i]->setText(options.ListName[i]);
        m_appNames[i]->setText(options.ExStr[i]);
        m_appPrograms[i]->setText(options.ExApp[i]);
    }
    m_dragSpeed->setValue(options.ScroolSpeed);
    m_maxSize->setText(QString::number(options.MaxSize));
    m_minSize->setText(QString::number(options.MinSize));
    m_undoSize->setValue(options.UndoSize);
    m_slideShowTime->setValue(options.SlideShowTime);
}

Options TFormOption::options() const {
    Options options = m_options;
    for (const auto& [field, box] : m_switches)
        options.*field = box->isChecked();
    for (const auto& [field, edit] : m_texts)
        options.*field = edit->text();
    for (const auto& [field, edit] : m_gestures)
        options.*field = edit->text();
    for (const ColorChoice& choice : m_colors)
        options.*choice.field = choice.value;
    for (const FontChoice& choice : m_fonts) {
        options.*choice.familyField = choice.family;
        options.*choice.sizeField = choice.size;
        options.*choice.styleField = choice.style;
    }
    for (int i = 0; i < 10; ++i) {
        options.ListName[i] = m_listNames[i]->text();
        options.ExStr[i] = m_appNames[i]->text();
        options.ExApp[i] = m_appPrograms[i]->text();
    }
    options.ScroolSpeed = m_dragSpeed->value();
    options.MaxSize = ParseMaxSize(m_maxSize->text());
    options.MinSize = ParseMinSize(m_minSize->text());
    options.UndoSize = m_undoSize->value();
    options.SlideShowTime = m_slideShowTime->value();
    return options;
}

void TFormOption::setCurrentPlace(const QString& folder, double rate) {
    m_currentFolder = folder;
    m_currentRate = rate;
}

void TFormOption::setPlugIns(const QString& folder, const QStringList& descriptions) {
    m_plugInFolder->setText(folder);
    m_plugIns->clear();
    m_plugIns->addItems(descriptions);
}

bool TFormOption::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (DraggedCommand(drag->mimeData()).isEmpty()) {
            drag->ignore();
        } else {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString command = DraggedCommand(drop->mimeData());
        if (command.isEmpty()) {
            drop->ignore();
        } else {
            field->setText(AssignedCommand(command, m_currentFolder, m_currentRate));
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        }
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}
