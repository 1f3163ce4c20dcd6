#pragma once

#include "app/commands/CommandTable.h"
#include "core/settings/Options.h"

#include <QString>
#include <QStringList>
#include <span>

// The vocabulary of the mouse gestures and keys: the names an input can be bound to, in the order
// the options dialog lists them (the commands of the command table that can be bound, "無し",
// the three templates, and separator rows that divide the groups and are no commands), and the
// 27 inputs that can each be bound to one name.

enum class CommandKind {
    Nothing,      // "無し": bound, it does nothing
    Separator,    // divides two groups in the list; no command
    Command,      // runs a command of the command table
    OpenTemplate, // assigning it stores "$OPEN=" and the current folder
    MoveTemplate, // assigning it stores "$MOVE=" and the current folder
    RateTemplate, // assigning it stores the current rate
};

// One name of the list.
struct CommandEntry {
    const char* name; // what the settings store; a command's comes from its row of the table
    CommandKind kind;
    Command command; // what a Command entry runs

    QString Name() const;
};

// Every entry, separators included, in list order. Built at compile time, so it exists before
// any settings are read and never changes.
std::span<const CommandEntry> CommandEntries();

// The entry named `name`; null when no entry has that name.
const CommandEntry* FindCommand(const QString& name);

// Every name of the table, separators included, in list order.
const QStringList& CommandNames();

// The row that divides two groups of command names.
QString CommandSeparator();

// The command that does nothing; a separator assigned to an input stores this name.
QString NoCommand();

// One input that runs a bound command.
struct BindableInput {
    const char* key;            // the settings key holding the command name
    const char* editName;       // object name of its field in the options dialog
    const char* label;          // what the options dialog calls the input
    const char* defaultCommand; // the command bound when the settings hold none
    QString Options::*field;    // where the options keep the bound command name
};

// The 27 inputs: the eight right-drag directions laid out as on a numeric keypad, the other
// clicks and wheel turns, and the six keys.
std::span<const BindableInput> BindableInputs();

// The command text the settings bind to the input with settings key `key` ("mGes8" …); empty
// for an unknown key.
QString BoundCommand(const Options& options, const QString& key);

// The text stored when the command `name` is assigned to an input. A separator stores
// NoCommand(); "閲覧先に設定する" and "転送先に設定する" store "$OPEN=" or "$MOVE=" followed by
// `currentFolder`; "現在の倍率にする" stores `currentRate` with two to four decimals.
QString AssignedCommand(const QString& name, const QString& currentFolder, double currentRate);
