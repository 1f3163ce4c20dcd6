#include "core/common/PathText.h"

#include "core/common/NativePath.h"

#include <QDir>
#include <QLocale>

QString MiniFileName(const QString& path, const QString& home) {
    if (home.isEmpty() || home == QLatin1String("/")) {
        return path;
    }
    if (path == home) {
        return QStringLiteral("~");
    }
    if (path.startsWith(home) && path.at(home.size()) == QLatin1Char('/')) {
        return QLatin1Char('~') + path.mid(home.size());
    }
    return path;
}

int PathLevel(const QString& path) {
    return static_cast<int>(path.count(QLatin1Char('/')));
}

QString ExpandShortName(const QString& path, const QString& home, const QString& currentFolder) {
    if (path.isEmpty()) {
        return path;
    }
    QString full = path;
    if (full == QLatin1String("~")) {
        full = home;
    } else if (full.startsWith(QLatin1String("~/"))) {
        full = home + full.mid(1);
    } else if (!full.startsWith(QLatin1Char('/'))) {
        full = currentFolder + QLatin1Char('/') + full;
    }
    full = QDir::cleanPath(full);
    return PathKind(full) == PathType::None ? path : full;
}

QString ChildPath(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QString FolderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        return {};
    }
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString WithoutTrailingSlash(const QString& path) {
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/')) {
        --end;
    }
    return path.left(end);
}

QString WithTrailingSlash(const QString& path) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/'))) {
        return path;
    }
    return path + QLatin1Char('/');
}

QString FileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString UpperExtension(const QString& path) {
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot).toUpper();
}

QString FormatThousands(qint64 value) {
    if (value == 0) {
        return {};
    }
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) {
        digits.insert(i, QLatin1Char(','));
    }
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString FormatRate(double rate) {
    QString text = QString::number(rate, 'f', 4);
    // Trailing zeros beyond the second decimal go.
    while (text.endsWith(QLatin1Char('0')) && text.size() - text.indexOf(QLatin1Char('.')) > 3) {
        text.chop(1);
    }
    return text;
}

std::int32_t PackDosTime(const QDateTime& time) {
    const QDateTime local = time.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    if (!local.isValid() || d.year() < 1980 || d.year() > 2107) {
        return 0;
    }
    const std::uint32_t packed =
        (static_cast<std::uint32_t>(d.year() - 1980) << 25) | (static_cast<std::uint32_t>(d.month()) << 21) |
        (static_cast<std::uint32_t>(d.day()) << 16) | (static_cast<std::uint32_t>(t.hour()) << 11) |
        (static_cast<std::uint32_t>(t.minute()) << 5) | static_cast<std::uint32_t>(t.second() / 2);
    return static_cast<std::int32_t>(packed);
}

namespace {

// Length of the run of `c` starting at `i`.
qsizetype RunLength(const QString& text, qsizetype i, QChar c) {
    qsizetype n = 0;
    while (i + n < text.size() && text.at(i + n).toLower() == c) {
        ++n;
    }
    return n;
}

QString Padded(int value, qsizetype width) {
    return width >= 2 ? QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')) : QString::number(value);
}

} // namespace

QString FormatDateTimePattern(const QDateTime& time, const QString& pattern) {
    const QDateTime local = time.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    const bool twelveHour = pattern.contains(QLatin1String("am/pm"), Qt::CaseInsensitive);
    QString out;
    bool afterHour = false; // "mm" right after an hour means minutes
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i).toLower();
        if (pattern.mid(i, 5).compare(QLatin1String("am/pm"), Qt::CaseInsensitive) == 0) {
            out += t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            i += 5;
            continue;
        }
        const qsizetype n = RunLength(pattern, i, c);
        const bool hourBefore = afterHour;
        afterHour = c == QLatin1Char('h') || (afterHour && !c.isLetter());
        if (c == QLatin1Char('y')) {
            out += n >= 3 ? QString::number(d.year()) : Padded(d.year() % 100, 2);
        } else if (c == QLatin1Char('m')) {
            out += hourBefore ? Padded(t.minute(), n) : Padded(d.month(), n);
        } else if (c == QLatin1Char('d')) {
            if (n >= 4) {
                out += japanese.dayName(d.dayOfWeek(), QLocale::LongFormat);
            } else if (n == 3) {
                out += japanese.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            } else {
                out += Padded(d.day(), n);
            }
        } else if (c == QLatin1Char('h')) {
            int hour = t.hour();
            if (twelveHour) {
                hour = hour % 12 == 0 ? 12 : hour % 12;
            }
            out += Padded(hour, n);
        } else if (c == QLatin1Char('n')) {
            out += Padded(t.minute(), n);
        } else if (c == QLatin1Char('s')) {
            out += Padded(t.second(), n);
        } else {
            out += pattern.mid(i, n);
        }
        i += n;
    }
    return out;
}
