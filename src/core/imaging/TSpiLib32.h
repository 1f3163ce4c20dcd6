#pragma once

#include "core/imaging/FileBytes.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Checks the two blocks a picture plug-in's GetPicture answered (the info block: a bitmap header
// with its masks and colour table; the bits block: the rows, each padded to 4 bytes) and turns
// them into a picture: Format_RGB888, or Format_ARGB32 when 32-bit rows carry alpha. The blocks
// are untrusted: `infoSize` and `bitsSize` are the real sizes of the blocks, and nothing past
// them is read. False with `reason` (for the developer) when the header is not one this reads or
// the blocks are too small for what it claims. Pure: safe on any thread.
bool DibToImage(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits,
                std::size_t bitsSize, QImage* out, QString* reason);

// What the plug-ins made of one file.
enum class SpiStatus {
    NotClaimed, // no plug-in's IsSupported took the file (or none is loaded)
    Decoded,    // the picture is in the image passed in
    Failed,     // the plug-in that took it failed or answered blocks that do not check out
    Unreadable, // the file could not be read; `readFailure` says why
};

struct SpiResult {
    SpiStatus status = SpiStatus::NotClaimed;
    QString reason; // for Failed and Unreadable: what went wrong, for the developer
    FileBytes::Failure readFailure = FileBytes::Failure::None;
};

// The picture plug-ins of this run (shared libraries "*.spi" built against
// plugins/SusiePlugin.h): loads them, lists them for the options dialog and the scan mask, and
// offers them the files no built-in decoder takes. One instance per program run, owned by the
// composition root and passed to whoever needs it.
//
// Threads: LoadPlugIns, LoadPlugInFiles and FreePlugIns run on the GUI thread, and only while no
// decode runs (at start-up before the first picture loads, at shut-down after the loader's
// threads are idle). DecodeFile and DecodeMemory may run on any number of threads at once: each
// plug-in has a mutex, and the calls into a plug-in that does not declare itself thread-safe
// (RuvelaPluginThreadSafe answering non-zero) are serialised with it.
class TSpiLib32 {
public:
    TSpiLib32();
    ~TSpiLib32();
    TSpiLib32(const TSpiLib32&) = delete;
    TSpiLib32& operator=(const TSpiLib32&) = delete;

    // Loads every file of `folder` whose name ends in ".spi" (any case) with LoadPlugInFiles.
    // A missing folder loads nothing.
    void LoadPlugIns(const QString& folder);
    // Loads each library in turn; a picture plug-in ("00IN") is kept, anything else (not a
    // library, no GetPluginInfo, an archive plug-in) is unloaded and skipped without a word.
    // Each kept plug-in's pattern is added to PFilter, and its description to PicPlugInList.
    void LoadPlugInFiles(const QStringList& paths);
    // Unloads every library; the lists are emptied.
    void FreePlugIns();

    // Appends the description of every picture plug-in, in load order, to `list` (emptied first
    // when `clear` is set).
    void ListPlugIns(QStringList& list, bool clear) const;

    // Reads the whole file and decodes it with DecodeMemory.
    SpiResult DecodeFile(const QString& path, QImage* image) const;
    // Offers the file's bytes to the plug-ins in load order; the first whose IsSupported answers
    // non-zero decodes them, and no other is tried after it.
    SpiResult DecodeMemory(const std::uint8_t* data, std::size_t size, QImage* image) const;

    // The descriptions (item 1) of the picture plug-ins, in load order.
    const QStringList& PicPlugInList() const { return m_picPlugInList; }
    // The file patterns of the picture plug-ins, each followed by ";" ("*.webp;*.tif;*.tiff;").
    const QString& PFilter() const { return m_pFilter; }

private:
    struct PlugIn;

    std::vector<std::unique_ptr<PlugIn>> m_plugIns;
    QStringList m_picPlugInList;
    QString m_pFilter;
};
