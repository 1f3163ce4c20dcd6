// The soak run: the real program under the end-to-end driver's X server steps 3,000 times
// through a folder of 300 pictures, sorts 200 of them into folders with the sorting keys, undoes
// and redoes 100 moves and marks 100 pictures in the check lists, with real key presses, waiting
// for each step's window title. Afterwards every file must be where the soak's own record says,
// no file lost, doubled or changed (SHA-256 of every file before and after), the check lists must
// hold the marked files where they are now, and the resident memory after 3,000 steps (and at
// each round of the walk before, in the same place) must be no more than 10 % above that after
// 300. Prints its figures; any failed check fails the run.

#include "e2e/E2eDriver.h"
#include "soak/SoakLedger.h"
#include "soak/SoakPictures.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

constexpr int kSteps = 3000;
constexpr int kEarlyStep = 300;
constexpr int kMoves = 200;
constexpr int kMarksBeforeSorting = 50;
constexpr int kMarksAfterUndo = 50;
constexpr double kAllowedGrowth = 0.10;
// Undo (negative) and redo (positive) runs: 100 undos and 100 redos in all, the position going
// down and up through the last hundred moves.
constexpr int kUndoRedoRuns[] = {-30, 20, -40, 50, -30, 30};
// The sorting keys a … e send to the folders "sorted/a" … "sorted/e".
const QString kSortingKeys = QStringLiteral("abcde");
constexpr unsigned kSeed = 20240611;

void Say(const QString& line) {
    std::printf("soak: %s\n", qPrintable(line));
    std::fflush(stdout);
}

// VmRSS (or another line of /proc/<pid>/status) in kB; 0 when it cannot be read.
qint64 StatusKb(qint64 pid, const QByteArray& field) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (pid <= 0 || !status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return 0;
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a check list's file holds: its paths, each line ended with CR LF.
QByteArray ListBytes(const QStringList& paths) {
    QByteArray bytes;
    for (const QString& path : paths) {
        bytes += path.toUtf8() + "\r\n";
    }
    return bytes;
}

class SoakRun {
public:
    SoakRun() : m_random(kSeed) {}

    void run();

private:
    QString pics() const { return m_driver.home() + QStringLiteral("/pics"); }
    QString sorted() const { return m_driver.home() + QStringLiteral("/sorted"); }

    void writeFolders();
    // Presses `key` and waits for the title the ledger expects (with `caption` at its end) and,
    // when given, for `done` to hold.
    ::testing::AssertionResult press(const QString& key, const QString& caption = QString(),
                                     const std::function<bool()>& done = {});
    ::testing::AssertionResult step(int direction);
    // `least` to `most` steps in random directions, inside the shown folder.
    ::testing::AssertionResult wander(int least, int most);
    // Marks `count` pictures, a few steps apart, each in a random list it is not in yet; every
    // fifth goes into a second list without a step.
    ::testing::AssertionResult markSome(int count);
    // The resident memory once the background reading of the neighbours is over: three readings
    // 250 ms apart within 1 % of each other, or the last one after ten seconds.
    qint64 settledRssKb();

    void navigate();
    void sort();
    void undoAndRedo();
    void check();

    E2eDriver m_driver;
    SoakLedger m_ledger;
    std::mt19937 m_random;
    QMap<QString, QByteArray> m_hashesBefore;
    int m_marks = 0;
    int m_undos = 0;
    int m_redos = 0;
    int m_extraSteps = 0;
    // The settled resident memory (kB) at step 300 and at each later step in the same place.
    std::vector<std::pair<int, qint64>> m_rssRounds;
};

void SoakRun::writeFolders() {
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    const auto write = [&](const QString& folder, const SoakPicture& picture, int seed) {
        QString error;
        const QByteArray encoded = EncodeSoakPicture(picture, seed, &error);
        ASSERT_FALSE(encoded.isEmpty()) << picture.name.toStdString() << ": " << error.toStdString();
        // Scans leave out files below 128 bytes.
        ASSERT_GT(encoded.size(), 128) << picture.name.toStdString();
        QFile file(folder + QLatin1Char('/') + picture.name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(encoded) == encoded.size())
            << file.fileName().toStdString();
        bytes += encoded.size();
        m_ledger.addFile(picture.name, folder, picture.size);
    };
    ASSERT_TRUE(QDir().mkpath(pics()));
    const QList<SoakPicture> pictures = SoakPictureSet();
    for (int i = 0; i < pictures.size(); ++i) {
        write(pics(), pictures[i], i);
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
    }
    // Each destination holds two files already, listed before the sorted ones.
    QStringList table;
    for (int key = 0; key < kSortingKeys.size(); ++key) {
        const QString folder = sorted() + QLatin1Char('/') + kSortingKeys[key];
        ASSERT_TRUE(QDir().mkpath(folder));
        for (int n = 1; n <= 2; ++n) {
            const SoakPicture kept{QStringLiteral("keep-%1-%2.%3")
                                       .arg(kSortingKeys[key])
                                       .arg(n)
                                       .arg(n == 1 ? QStringLiteral("png") : QStringLiteral("jpg")),
                                   QSize(200 + 40 * key, 150 + 30 * n)};
            write(folder, kept, 1000 + key * 10 + n);
            ASSERT_FALSE(::testing::Test::HasFatalFailure());
        }
        table.append(QStringLiteral("$MOVE=") + folder);
    }
    ASSERT_FALSE(m_driver.writeSortingTable(table).isEmpty());
    m_hashesBefore = HashFilesBelow(m_driver.home());
    Say(QStringLiteral("wrote %1 files, %2 MB, in %3 s")
            .arg(m_hashesBefore.size())
            .arg(double(bytes) / 1e6, 0, 'f', 1)
            .arg(double(clock.elapsed()) / 1000, 0, 'f', 1));
}

::testing::AssertionResult SoakRun::press(const QString& key, const QString& caption,
                                          const std::function<bool()>& done) {
    if (::testing::AssertionResult pressed = m_driver.pressKeys({key}); !pressed) {
        return pressed;
    }
    if (::testing::AssertionResult shown = m_driver.waitForTitle(m_ledger.title(caption)); !shown) {
        return shown << "\nafter pressing " << key.toStdString();
    }
    if (done) {
        return m_driver.waitUntil(done, QStringLiteral("the files are where pressing %1 puts them").arg(key));
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SoakRun::step(int direction) {
    m_ledger.step(direction);
    return press(direction > 0 ? QStringLiteral("Right") : QStringLiteral("Left"));
}

::testing::AssertionResult SoakRun::wander(int least, int most) {
    const int steps = least + int(m_random() % unsigned(most - least + 1));
    for (int i = 0; i < steps && m_ledger.shownCount() > 1; ++i) {
        int direction = m_random() % 2 == 0 ? 1 : -1;
        const int position = m_ledger.shownPosition() + direction;
        if (position < 1 || position > m_ledger.shownCount()) {
            direction = -direction;
        }
        if (::testing::AssertionResult stepped = step(direction); !stepped) {
            return stepped;
        }
        ++m_extraSteps;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SoakRun::markSome(int count) {
    const auto inEveryList = [this] {
        for (int list = 0; list < SoakLedger::kLists; ++list) {
            if (!m_ledger.marked(list, m_ledger.shownName())) {
                return false;
            }
        }
        return true;
    };
    for (int i = 0; i < count; ++i) {
        if (i % 5 != 4) {
            if (::testing::AssertionResult moved = wander(1, 3); !moved) {
                return moved;
            }
        }
        while (inEveryList()) {
            if (::testing::AssertionResult moved = wander(1, 1); !moved) {
                return moved;
            }
        }
        int list = int(m_random() % SoakLedger::kLists);
        while (m_ledger.marked(list, m_ledger.shownName())) {
            list = (list + 1) % SoakLedger::kLists;
        }
        m_ledger.mark(list);
        if (::testing::AssertionResult shown = press(QStringLiteral("F%1").arg(list + 1)); !shown) {
            return shown;
        }
        ++m_marks;
    }
    return ::testing::AssertionSuccess();
}

qint64 SoakRun::settledRssKb() {
    std::vector<qint64> readings;
    QElapsedTimer sinceReading;
    const bool settled = m_driver.waitUntil(
        [&] {
            if (!readings.empty() && sinceReading.elapsed() < 250) {
                return false;
            }
            sinceReading.start();
            readings.push_back(StatusKb(m_driver.processId(), "VmRSS"));
            if (readings.size() < 3) {
                return false;
            }
            const auto [least, most] = std::minmax_element(readings.end() - 3, readings.end());
            return *most - *least <= *most / 100;
        },
        QStringLiteral("the resident memory settles"), 10000);
    if (!settled) {
        Say(QStringLiteral("the resident memory did not settle within 10 s; taking the last reading"));
    }
    return readings.empty() ? 0 : readings.back();
}

// Walks to the end, then five rounds down to 30 and up to the end again, then one step back.
// Step 300 and every 540th step after it, step 3,000 among them, are that first step back from
// the end, so the memory readings there are taken with the same picture shown and the same
// neighbours read ahead.
void SoakRun::navigate() {
    constexpr int kRounds = 5;
    constexpr int kLowTurn = 30;
    const int count = m_ledger.shownCount();
    const int round = 2 * (count - kLowTurn);
    std::vector<int> turns{count};
    for (int i = 0; i < kRounds; ++i) {
        turns.push_back(kLowTurn);
        turns.push_back(count);
    }
    turns.push_back(count - 1);

    QElapsedTimer clock;
    clock.start();
    qint64 pausedMs = 0;
    int steps = 0;
    QStringList readings;
    for (const int turn : turns) {
        while (m_ledger.shownPosition() != turn) {
            ASSERT_TRUE(step(m_ledger.shownPosition() < turn ? 1 : -1)) << "step " << steps + 1;
            ++steps;
            if (steps >= kEarlyStep && (steps - kEarlyStep) % round == 0) {
                QElapsedTimer pause;
                pause.start();
                const qint64 rss = settledRssKb();
                pausedMs += pause.elapsed();
                m_rssRounds.emplace_back(steps, rss);
                readings.append(QStringLiteral("%1: %2").arg(steps).arg(double(rss) / 1024, 0, 'f', 1));
            }
        }
    }
    ASSERT_EQ(steps, kSteps);
    ASSERT_EQ((kSteps - kEarlyStep) % round, 0);
    const double seconds = double(clock.elapsed() - pausedMs) / 1000;
    Say(QStringLiteral("%1 steps in %2 s: %3 steps per second")
            .arg(steps)
            .arg(seconds, 0, 'f', 1)
            .arg(steps / seconds, 0, 'f', 1));
    Say(QStringLiteral("resident memory at the same place of each round (step: MB): ") +
        readings.join(QStringLiteral(", ")));
}

void SoakRun::sort() {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kMoves; ++i) {
        ASSERT_TRUE(wander(0, 2));
        const int key = int(m_random() % unsigned(kSortingKeys.size()));
        const QString folder = sorted() + QLatin1Char('/') + kSortingKeys[key];
        const QString name = m_ledger.shownName();
        const QString from = m_ledger.pathOf(name);
        m_ledger.moveShown(folder);
        const QString to = m_ledger.pathOf(name);
        ASSERT_TRUE(press(QString(kSortingKeys[key]),
                          QStringLiteral("   { Move > ~/sorted/") + kSortingKeys[key] + QStringLiteral(" }"),
                          [&] { return !QFile::exists(from) && QFile::exists(to); }))
            << "move " << i + 1 << " of " << name.toStdString();
    }
    Say(QStringLiteral("%1 moves in %2 s").arg(kMoves).arg(double(clock.elapsed()) / 1000, 0, 'f', 1));
}

void SoakRun::undoAndRedo() {
    for (const int run : kUndoRedoRuns) {
        for (int i = 0; i < std::abs(run); ++i) {
            const SoakLedger::Move* record = run < 0 ? m_ledger.nextUndo() : m_ledger.nextRedo();
            ASSERT_NE(record, nullptr);
            const QString name = record->name;
            const QString before = m_ledger.pathOf(name);
            ASSERT_TRUE(run < 0 ? m_ledger.undo() : m_ledger.redo());
            const QString after = m_ledger.pathOf(name);
            // Both undo keys take turns.
            const QString key = run > 0            ? QStringLiteral("ctrl+y")
                                : m_undos % 2 == 0 ? QStringLiteral("ctrl+z")
                                                   : QStringLiteral("BackSpace");
            ASSERT_TRUE(press(key, QString(), [&] { return !QFile::exists(before) && QFile::exists(after); }))
                << (run < 0 ? "undo " : "redo ") << (run < 0 ? m_undos + 1 : m_redos + 1) << " of "
                << name.toStdString();
            ++(run < 0 ? m_undos : m_redos);
        }
    }
}

void SoakRun::check() {
    // Every file where the ledger says, and nothing else in the folders.
    const QMap<QString, QByteArray> after = HashFilesBelow(m_driver.home());
    const QString home = m_driver.home() + QLatin1Char('/');
    QStringList found;
    for (auto file = after.cbegin(); file != after.cend(); ++file) {
        if (file.key().startsWith(QLatin1String("pics/")) ||
            file.key().startsWith(QLatin1String("sorted/"))) {
            found.append(home + file.key());
        }
    }
    const QStringList expected = m_ledger.allPaths();
    EXPECT_EQ(found, expected);
    int inPlace = 0;
    for (const QString& path : expected) {
        inPlace += found.contains(path) ? 1 : 0;
    }

    // The same contents before and after, as a multiset and file by file under its name.
    QList<QByteArray> hashesBefore;
    QList<QByteArray> hashesAfter;
    int sameContents = 0;
    for (auto file = m_hashesBefore.cbegin(); file != m_hashesBefore.cend(); ++file) {
        if (!file.key().startsWith(QLatin1String("pics/")) &&
            !file.key().startsWith(QLatin1String("sorted/"))) {
            continue;
        }
        hashesBefore.append(file.value());
        const QString name = file.key().section(QLatin1Char('/'), -1);
        const QString now = m_ledger.pathOf(name).mid(home.size());
        sameContents += after.value(now) == file.value() ? 1 : 0;
    }
    for (const QString& path : found) {
        hashesAfter.append(after.value(path.mid(home.size())));
    }
    std::sort(hashesBefore.begin(), hashesBefore.end());
    std::sort(hashesAfter.begin(), hashesAfter.end());
    const bool sameMultiset = hashesBefore == hashesAfter && !hashesBefore.contains(QByteArray());
    EXPECT_TRUE(sameMultiset) << hashesBefore.size() << " files before, " << hashesAfter.size() << " after";
    EXPECT_EQ(sameContents, int(expected.size()));

    // Each check list's file holds the marked files where they are now, in the order marked.
    int listed = 0;
    for (int list = 0; list < SoakLedger::kLists; ++list) {
        const QString file =
            m_driver.dataFolder() + QStringLiteral("/List_%1.lst").arg(QLatin1Char(char('A' + list)));
        const QStringList paths = m_ledger.listPaths(list);
        EXPECT_EQ(QString::fromUtf8(Read(file)), QString::fromUtf8(ListBytes(paths))) << file.toStdString();
        listed += Read(file) == ListBytes(paths) ? int(paths.size()) : 0;
    }

    // Memory that grows with the steps shows in every round, the last one at step 3,000.
    ASSERT_FALSE(m_rssRounds.empty());
    const qint64 early = m_rssRounds.front().second;
    const qint64 late = m_rssRounds.back().second;
    EXPECT_EQ(m_rssRounds.back().first, kSteps);
    EXPECT_GT(early, 0);
    double mostGrowth = 0;
    for (const auto& [steps, rss] : m_rssRounds) {
        const double growth = double(rss) / double(early) - 1;
        mostGrowth = std::max(mostGrowth, growth);
        EXPECT_LE(growth, kAllowedGrowth)
            << "the resident memory at step " << steps << " is " << rss << " kB, " << growth * 100
            << " % above the " << early << " kB of step " << kEarlyStep;
    }
    const double growth = double(late) / double(early) - 1;
    Say(QStringLiteral("resident memory after %1 steps: %2 MB; after %3 steps: %4 MB (%5%6 %); "
                       "most in any round %7%8 %; at most +%9 % allowed")
            .arg(kEarlyStep)
            .arg(double(early) / 1024, 0, 'f', 1)
            .arg(kSteps)
            .arg(double(late) / 1024, 0, 'f', 1)
            .arg(growth >= 0 ? QStringLiteral("+") : QString())
            .arg(growth * 100, 0, 'f', 1)
            .arg(mostGrowth >= 0 ? QStringLiteral("+") : QString())
            .arg(mostGrowth * 100, 0, 'f', 1)
            .arg(kAllowedGrowth * 100, 0, 'f', 0));
    Say(QStringLiteral("moved %1, undone %2, redone %3, marked %4, extra steps between them %5")
            .arg(kMoves)
            .arg(m_undos)
            .arg(m_redos)
            .arg(m_marks)
            .arg(m_extraSteps));
    Say(QStringLiteral("files where the record says: %1 of %2; found in the folders: %3")
            .arg(inPlace)
            .arg(expected.size())
            .arg(found.size()));
    Say(QStringLiteral("hash check: %1 (%2 files before, %3 after, %4 with their own contents)")
            .arg(sameMultiset ? QStringLiteral("same multiset") : QStringLiteral("DIFFERENT"))
            .arg(hashesBefore.size())
            .arg(hashesAfter.size())
            .arg(sameContents));
    Say(QStringLiteral("check lists: %1 of %2 marks where the files are now").arg(listed).arg(m_marks));
}

void SoakRun::run() {
    writeFolders();
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    m_ledger.show(pics(), m_ledger.namesIn(pics()).first());
    ASSERT_TRUE(m_driver.start({pics()}));
    ASSERT_TRUE(m_driver.waitForWindow(m_ledger.title()));

    navigate();
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    ASSERT_TRUE(markSome(kMarksBeforeSorting));
    sort();
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    undoAndRedo();
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    ASSERT_TRUE(markSome(kMarksAfterUndo));
    Say(QStringLiteral("resident memory at the end: %1 MB, peak %2 MB")
            .arg(double(StatusKb(m_driver.processId(), "VmRSS")) / 1024, 0, 'f', 1)
            .arg(double(StatusKb(m_driver.processId(), "VmHWM")) / 1024, 0, 'f', 1));

    int exitCode = -1;
    ASSERT_TRUE(m_driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
    check();
}

} // namespace

TEST(Soak, StepsSortsUndoesAndMarksWithoutLosingAFileOrGrowing) {
    SoakRun soak;
    soak.run();
}
