#include "app/TitleText.h"

#include "core/common/PathText.h"

#include <array>

TitleTexts MakeTitleTexts(const ViewerState& state, const TitleContext& context) {
    TitleTexts texts;
    if (state.CurrentIndex != 0) {
        QString title = QStringLiteral("Ruvela");
        if (context.slideShow) {
            title += QStringLiteral(" - スライドショー再生中");
        }
        if (state.BrowserMode) {
            title += QStringLiteral(" - IEブラウジングモード");
        }
        if (state.ClipboardMode) {
            title += QStringLiteral(" - クリップボード表示中");
        }
        title += QStringLiteral(" - %1/%2").arg(state.CurrentIndex).arg(state.FileList.size());
        if (state.BrowserMode) {
            title += QStringLiteral(" [") + state.BrowserTitle + QLatin1Char(']');
        } else {
            title += QStringLiteral(" [") + FileNameOf(state.CurrentFile) + QLatin1Char(']');
            title += QStringLiteral("  (%1x%2) * ")
                         .arg(state.SourceBitmap.width())
                         .arg(state.SourceBitmap.height()) +
                     FormatRate(state.ZoomRate);
        }
        texts.caption = title + context.marks;
        if (state.CurrentFileSize != 0) {
            texts.panels[0] = QLatin1Char(' ') + FormatThousands(state.CurrentFileSize) +
                              QStringLiteral(" / ") + FormatThousands(state.ListTotalSize) +
                              QStringLiteral(" byte");
        }
        switch (state.CurrentBitDepth) {
        case 0:
            break;
        case 254:
            texts.panels[1] = QStringLiteral("CMYK");
            break;
        case 255:
            texts.panels[1] = QStringLiteral("Susie");
            break;
        default:
            texts.panels[1] = QString::number(state.CurrentBitDepth) + QStringLiteral(" bit");
            break;
        }
        if (state.CurrentFileTime != 0) {
            texts.panels[2] = FormatDateTimePattern(QDateTime::fromSecsSinceEpoch(state.CurrentFileModified),
                                                    context.timeFormat);
        }
        texts.panels[4] = QLatin1Char(' ') + MiniFileName(state.CurrentFile, context.home);
        texts.hint = state.CurrentFile;
    } else {
        texts.caption = QStringLiteral("Ruvela - 画像ファイルが見つかりません");
        texts.panels[4] = context.tip;
    }
    texts.taskTitle = QStringLiteral("Ruvela - [") +
                      (state.RootListName.isEmpty() ? state.CurrentFolder : state.RootListName) +
                      QLatin1Char(']');
    return texts;
}

QString TipsStr(qint64 seed) {
    static const std::array<const char16_t*, 9> tips = {
        u"[Ctrl]キーを押しながらフォルダを開くと、下位フォルダの画像も検索します",
        u"移動モード時に[Ctrl]キーを押すとコピーします、コピーモードなら移動します",
        u"[Ctrl]＋アップロード画像の作成で、画像に埋め込む文字列を編集できます",
        u"GIFアニメ画像を表示中に[Ctrl]＋ホイール回転でコマ送りができます",
        u"[Ctrl]を押しながら↑↓←→キーで画像を上下左右に動かせます",
        u"IEモード中に[Ctrl]を押しながら右クリックでIEのメニューが使用できます",
        u"[Shift]を押しながらドラッグ＆ドロップするとリストのファイルをまとめて移動できます",
        u"メニュー項目をダブルクリックすると、太字の項目が実行されます",
        u"高解像度の写真など表示が遅い場合、JPEGハーフサイズ読込で少しだけ改善されます",
    };
    const qint64 index = ((seed % 9) + 9) % 9;
    return QStringLiteral("Tips : ") + QString::fromUtf16(tips[static_cast<std::size_t>(index)]);
}

QString VersionCaption(int executionCount) {
    return QStringLiteral("Ruvela - バージョン情報（%1）").arg(executionCount);
}

QString VersionText(int sortCount, int previousSortCount, const QList<QSize>& screens, const QString& tip) {
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("Ruvela  Ver_1.80") + crlf + crlf;
    text += QStringLiteral("Furiwake : %1 / %2").arg(sortCount).arg(sortCount + previousSortCount) + crlf;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        text += QStringLiteral("Display%1 : %2 x %3")
                    .arg(i + 1)
                    .arg(screens[i].width())
                    .arg(screens[i].height()) +
                crlf;
    }
    return text + tip;
}

QString CountedListName(qsizetype count, const QString& name) {
    return QStringLiteral("[%1] ").arg(count, 4, 10, QLatin1Char('0')) + name;
}

QString CheckListCaption(int list, int count, const QString& name) {
    QString caption = CountedListName(count, name);
    if (!name.contains(QLatin1Char('&'))) {
        caption += QStringLiteral("(&") + QChar(u'A' + list) + QLatin1Char(')');
    }
    return caption;
}
