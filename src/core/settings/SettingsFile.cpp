#include "core/settings/SettingsFile.h"

#include "core/common/NativePath.h"
#include "core/settings/IniFile.h"

#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace {

// A settings file is a few kilobytes; anything far larger is no settings file.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

QString ReadFailure() {
    return QStringLiteral("INIファイルの読み込みに失敗");
}

QString WriteFailure() {
    return QStringLiteral("INIファイルの書き込みに失敗しました");
}

// Calls `visit(section, key, field)` for every key, section by section in the order the file is
// written. The load reads the same keys; as reading is free of side effects, its order does not
// matter.
template <typename O, typename Visit> void ForEachKey(O& o, Visit&& visit) {
    const QString main = QStringLiteral("FormMain");
    visit(main, QStringLiteral("Execution"), o.Execution);
    visit(main, QStringLiteral("Movement"), o.Movement);
    visit(main, QStringLiteral("X"), o.X);
    visit(main, QStringLiteral("Y"), o.Y);
    visit(main, QStringLiteral("Width"), o.Width);
    visit(main, QStringLiteral("Height"), o.Height);
    visit(main, QStringLiteral("Max"), o.Max);
    visit(main, QStringLiteral("TreeWidth"), o.TreeWidth);
    visit(main, QStringLiteral("TextHeight"), o.TextHeight);
    visit(main, QStringLiteral("DandD_X"), o.DandD_X);
    visit(main, QStringLiteral("DandD_Y"), o.DandD_Y);
    visit(main, QStringLiteral("VisibleTree"), o.VisibleTree);
    visit(main, QStringLiteral("VisibleStatus"), o.VisibleStatus);
    visit(main, QStringLiteral("VisibleText"), o.VisibleText);
    visit(main, QStringLiteral("VisibleTrack"), o.VisibleTrack);
    visit(main, QStringLiteral("FullScreen"), o.FullScreen);
    visit(main, QStringLiteral("SortZoom"), o.SortZoom);
    visit(main, QStringLiteral("SortNo"), o.SortNo);
    visit(main, QStringLiteral("ZoomNo"), o.ZoomNo);
    visit(main, QStringLiteral("TreeFont"), o.TreeFont);
    visit(main, QStringLiteral("TreeFontSize"), o.TreeFontSize);
    visit(main, QStringLiteral("TreeFontStyle"), o.TreeFontStyle);
    visit(main, QStringLiteral("CommentFont"), o.CommentFont);
    visit(main, QStringLiteral("CommentFontSize"), o.CommentFontSize);
    visit(main, QStringLiteral("CommentFontColor"), o.CommentFontColor);
    visit(main, QStringLiteral("CommentFontStyle"), o.CommentFontStyle);
    visit(main, QStringLiteral("CommentBackColor"), o.CommentBackColor);
    visit(main, QStringLiteral("ImgBackColor"), o.ImgBackColor);

    const QString option = QStringLiteral("FormOption");
    visit(option, QStringLiteral("SwImgOpen"), o.SwImgOpen);
    visit(option, QStringLiteral("SwTxtOpen"), o.SwTxtOpen);
    visit(option, QStringLiteral("SwFilterReset"), o.SwFilterReset);
    visit(option, QStringLiteral("SwDeleteDialog"), o.SwDeleteDialog);
    visit(option, QStringLiteral("SwListClear"), o.SwListClear);
    visit(option, QStringLiteral("SwListLoop"), o.SwListLoop);
    visit(option, QStringLiteral("SwNodeOpen"), o.SwNodeOpen);
    visit(option, QStringLiteral("JpegQuality"), o.JpegQuality);
    visit(option, QStringLiteral("ImgFile"), o.ImgFile);
    visit(option, QStringLiteral("SwCheckNext"), o.SwCheckNext);
    visit(option, QStringLiteral("SwLowFolder"), o.SwLowFolder);
    visit(option, QStringLiteral("SwSmallSharp"), o.SwSmallSharp);
    visit(option, QStringLiteral("SwShiftPlusKey"), o.SwShiftPlusKey);
    visit(option, QStringLiteral("SwImageLeft"), o.SwImageLeft);
    visit(option, QStringLiteral("SwImageCopyB"), o.SwImageCopyB);
    visit(option, QStringLiteral("SwJpegOrient"), o.SwJpegOrient);
    visit(option, QStringLiteral("SwWheelNext"), o.SwWheelNext);
    visit(option, QStringLiteral("ScroolSpeed"), o.ScroolSpeed);

    const QString save = QStringLiteral("FormSave");
    visit(save, QStringLiteral("Path"), o.SavePath);
    visit(save, QStringLiteral("Input"), o.SaveInput);

    const auto place = [&visit](const QString& section, auto& window) {
        visit(section, QStringLiteral("Visible"), window.Visible);
        visit(section, QStringLiteral("X"), window.X);
        visit(section, QStringLiteral("Y"), window.Y);
        visit(section, QStringLiteral("Width"), window.Width);
        visit(section, QStringLiteral("Height"), window.Height);
    };
    place(QStringLiteral("FormExif"), o.FormExif);
    place(QStringLiteral("FormKeyList"), o.FormKeyList);

    visit(option, QStringLiteral("Bmp"), o.Bmp);
    visit(option, QStringLiteral("Png"), o.Png);
    visit(option, QStringLiteral("Jpeg"), o.Jpeg);
    visit(option, QStringLiteral("Gif"), o.Gif);
    visit(option, QStringLiteral("IeGif"), o.IeGif);
    visit(option, QStringLiteral("Html"), o.Html);
    visit(option, QStringLiteral("Txt"), o.Txt);
    visit(option, QStringLiteral("Swf"), o.Swf);
    visit(option, QStringLiteral("Mp3"), o.Mp3);
    visit(option, QStringLiteral("Avi"), o.Avi);
    for (int n = 0; n < 10; ++n) {
        visit(option, QStringLiteral("ExStr%1").arg(n + 1), o.ExStr[n]);
    }
    for (int n = 0; n < 10; ++n) {
        visit(option, QStringLiteral("ExApp%1").arg(n + 1), o.ExApp[n]);
    }
    visit(option, QStringLiteral("mGes1"), o.mGes1);
    visit(option, QStringLiteral("mGes2"), o.mGes2);
    visit(option, QStringLiteral("mGes3"), o.mGes3);
    visit(option, QStringLiteral("mGes4"), o.mGes4);
    visit(option, QStringLiteral("mGes5"), o.mGes5);
    visit(option, QStringLiteral("mGes6"), o.mGes6);
    visit(option, QStringLiteral("mGes7"), o.mGes7);
    visit(option, QStringLiteral("mGes8"), o.mGes8);
    visit(option, QStringLiteral("mGes9"), o.mGes9);
    visit(option, QStringLiteral("mGesLDC"), o.mGesLDC);
    visit(option, QStringLiteral("mGesWC"), o.mGesWC);
    visit(option, QStringLiteral("mGesRLC"), o.mGesRLC);
    visit(option, QStringLiteral("mGesLRC"), o.mGesLRC);
    visit(option, QStringLiteral("mGesRWU"), o.mGesRWU);
    visit(option, QStringLiteral("mGesRWD"), o.mGesRWD);
    visit(option, QStringLiteral("mGesTDBC"), o.mGesTDBC);
    visit(option, QStringLiteral("mGesTWC"), o.mGesTWC);
    visit(option, QStringLiteral("mGesTRC"), o.mGesTRC);
    visit(option, QStringLiteral("mGesTVDBC"), o.mGesTVDBC);
    visit(option, QStringLiteral("mGesTVMC"), o.mGesTVMC);
    visit(option, QStringLiteral("mGesCDBC"), o.mGesCDBC);
    visit(option, QStringLiteral("kGesSpace"), o.kGesSpace);
    visit(option, QStringLiteral("kGesEnter"), o.kGesEnter);
    visit(option, QStringLiteral("kGesUp"), o.kGesUp);
    visit(option, QStringLiteral("kGesDown"), o.kGesDown);
    visit(option, QStringLiteral("kGesLeft"), o.kGesLeft);
    visit(option, QStringLiteral("kGesRight"), o.kGesRight);
    visit(option, QStringLiteral("sndPlay"), o.sndPlay);
    visit(option, QStringLiteral("sndMove"), o.sndMove);
    visit(option, QStringLiteral("sndCopy"), o.sndCopy);
    visit(option, QStringLiteral("sndUndo"), o.sndUndo);
    visit(option, QStringLiteral("sndCheckOn"), o.sndCheckOn);
    visit(option, QStringLiteral("sndCheckOff"), o.sndCheckOff);
    visit(option, QStringLiteral("sndLoop"), o.sndLoop);
    for (int n = 0; n < 10; ++n) {
        visit(option, QStringLiteral("ListName%1").arg(n + 1), o.ListName[n]);
    }
    for (int n = 0; n < 10; ++n) {
        visit(option, QStringLiteral("ListFolder%1").arg(n + 1), o.ListFolder[n]);
    }
    visit(option, QStringLiteral("TimeFormat"), o.TimeFormat);
    visit(option, QStringLiteral("YahooMes"), o.YahooMes);
    visit(option, QStringLiteral("YahooMesFontColor"), o.YahooMesFontColor);
    visit(option, QStringLiteral("MaxSize"), o.MaxSize);
    visit(option, QStringLiteral("MinSize"), o.MinSize);
    visit(option, QStringLiteral("UndoSize"), o.UndoSize);
    visit(option, QStringLiteral("SlideShowReverse"), o.SlideShowReverse);
    visit(option, QStringLiteral("SlideShowTime"), o.SlideShowTime);
    visit(option, QStringLiteral("PrefetchMemory"), o.PrefetchMemory);
}

std::optional<qint64> ParseInteger(const QString& text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

// Sets each field from its key when the key is there and its value parses.
struct KeyReader {
    const IniFile& ini;

    void operator()(const QString& section, const QString& key, QString& field) const {
        if (const std::optional<QString> value = ini.Value(section, key)) {
            field = *value;
        }
    }
    void operator()(const QString& section, const QString& key, bool& field) const {
        if (const std::optional<qint64> value = Integer(section, key)) {
            field = *value != 0;
        }
    }
    void operator()(const QString& section, const QString& key, int& field) const {
        const std::optional<qint64> value = Integer(section, key);
        if (value && *value >= std::numeric_limits<int>::min() && *value <= std::numeric_limits<int>::max()) {
            field = static_cast<int>(*value);
        }
    }
    void operator()(const QString& section, const QString& key, qint64& field) const {
        if (const std::optional<qint64> value = Integer(section, key)) {
            field = *value;
        }
    }
    // The one real number: a zoom code or rate, so only a finite positive value is taken.
    void operator()(const QString& section, const QString& key, double& field) const {
        const std::optional<QString> text = ini.Value(section, key);
        if (!text) {
            return;
        }
        bool ok = false;
        const double value = text->trimmed().toDouble(&ok);
        if (ok && std::isfinite(value) && value > 0) {
            field = value;
        }
    }

    std::optional<qint64> Integer(const QString& section, const QString& key) const {
        const std::optional<QString> text = ini.Value(section, key);
        return text ? ParseInteger(*text) : std::nullopt;
    }
};

struct KeyWriter {
    IniFile& ini;

    void operator()(const QString& section, const QString& key, const QString& field) const {
        ini.SetValue(section, key, field);
    }
    void operator()(const QString& section, const QString& key, bool field) const {
        ini.SetValue(section, key, field ? QStringLiteral("1") : QStringLiteral("0"));
    }
    void operator()(const QString& section, const QString& key, int field) const {
        ini.SetValue(section, key, QString::number(field));
    }
    void operator()(const QString& section, const QString& key, qint64 field) const {
        ini.SetValue(section, key, QString::number(field));
    }
    // A mode code is an integer and reads back as one; a fixed rate gets its shortest exact form.
    void operator()(const QString& section, const QString& key, double field) const {
        ini.SetValue(section, key, QString::number(field, 'g', QLocale::FloatingPointShortest));
    }
};

// The ranges the options dialog's controls allow.
void Normalise(Options& options) {
    options.SlideShowTime = std::clamp(options.SlideShowTime, 500, 30000);
    options.PrefetchMemory = std::clamp(options.PrefetchMemory, 0, 50);
    options.UndoSize = std::clamp(options.UndoSize, 10, 4096);
    options.ScroolSpeed = std::clamp(options.ScroolSpeed, 0, 5);
    options.TreeFontStyle &= 0xF;
    options.CommentFontStyle &= 0xF;
}

void FillDefaultApplications(Options& options) {
    options.ExStr[0] = QStringLiteral("画像を回転する(&A)");
    options.ExApp[0].clear();
    options.ExStr[1] = QStringLiteral("画像をトリミング(&B)");
    options.ExApp[1].clear();
    options.ExStr[2] = QStringLiteral("-");
    options.ExApp[2] = QStringLiteral("半角ハイフンを設定するとセパレータになります");
    options.ExStr[3] = QStringLiteral("MSペイントで開く(&M)");
    options.ExApp[3] = QStringLiteral("MSPAINT.EXE");
    options.ExStr[4] = QStringLiteral("フォトショップで編集(&P)");
    options.ExApp[4].clear();
}

enum class ReadResult { Missing, Read, Garbage, Failed };

ReadResult ReadSettingsFile(const QString& path, QByteArray* bytes) {
    const PathFacts facts = StatPath(path);
    if (!facts.exists) {
        return ReadResult::Missing;
    }
    if (facts.isFolder) {
        return ReadResult::Failed;
    }
    if (facts.size > kMaxFileSize) {
        return ReadResult::Garbage;
    }
    QFile file;
    if (!OpenFile(file, path, QIODevice::ReadOnly)) {
        return ReadResult::Failed;
    }
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError ? ReadResult::Read : ReadResult::Failed;
}

// Renames an unreadable settings file to `path` + ".bad", replacing an older one, so that the
// user's file is never overwritten by defaults.
bool SetAside(const QString& path) {
    return std::rename(NativePath(path).constData(), NativePath(path + QStringLiteral(".bad")).constData()) ==
           0;
}

// The document a load or save starts from: the file's content, or an empty one when the file
// is missing or was set aside. Nothing when the file cannot be read or set aside.
std::optional<IniFile> CurrentDocument(const QString& path, bool* setAside) {
    QByteArray bytes;
    const ReadResult result = ReadSettingsFile(path, &bytes);
    switch (result) {
    case ReadResult::Missing:
        return IniFile();
    case ReadResult::Failed:
        return std::nullopt;
    case ReadResult::Read:
        if (std::optional<IniFile> ini = IniFile::Parse(bytes)) {
            return ini;
        }
        break;
    case ReadResult::Garbage:
        break;
    }
    if (!SetAside(path)) {
        return std::nullopt;
    }
    *setAside = true;
    return IniFile();
}

} // namespace

bool IniLoad(const QString& path, Options& options, QString* message) {
    options = Options();
    bool setAside = false;
    const std::optional<IniFile> ini = CurrentDocument(path, &setAside);
    if (ini) {
        ForEachKey(options, KeyReader{*ini});
        Normalise(options);
    }
    if (options.ExStr[0] == QStringLiteral("DefaultApplication")) {
        FillDefaultApplications(options);
    }
    if (message != nullptr) {
        message->clear();
        if (!ini) {
            *message = ReadFailure();
        } else if (setAside) {
            *message = QStringLiteral("INIファイルを読み取れないため「%1.bad」に退避し、初期設定を使います")
                           .arg(path.section(QLatin1Char('/'), -1));
        }
    }
    return ini.has_value();
}

bool IniSave(const QString& path, const Options& options, QString* message) {
    const auto fail = [message] {
        if (message != nullptr) {
            *message = WriteFailure();
        }
        return false;
    };
    bool setAside = false;
    std::optional<IniFile> ini = CurrentDocument(path, &setAside);
    if (!ini) {
        return fail();
    }
    Options normal = options;
    Normalise(normal);
    ForEachKey(std::as_const(normal), KeyWriter{*ini});
    if (!WriteFileReplacing(path, ini->ToBytes())) {
        return fail();
    }
    if (message != nullptr) {
        message->clear();
    }
    return true;
}

bool ExternalAppVisible(const QString& name, const QString& program) {
    return (!name.isEmpty() && !program.isEmpty()) || name == QStringLiteral("-");
}

qint64 ParseMaxSize(const QString& text) {
    return ParseInteger(text).value_or(100000000);
}

qint64 ParseMinSize(const QString& text) {
    return ParseInteger(text).value_or(128);
}
