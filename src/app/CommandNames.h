#pragma once

#include "core/settings/Options.h"

#include <QString>
#include <QStringList>
#include <span>

// The vocabulary of the mouse gestures and keys: the command names in the order the options dialog
// lists them (rows of CommandSeparator() divide the groups and are no commands), and the 27 inputs
// that can each be bound to one command name.

// Every command name, separators included, in list order.
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

// The command name the settings bind to the input with settings key `key` ("mGes8" …); empty
// for an unknown key.
QString BoundCommand(const Options& options, const QString& key);

// The object name of the menu item or action a command name runs; empty for "無し", the
// templates and unknown names.
QString CommandTarget(const QString& name);

// The text stored when the command `name` is assigned to an input. A separator stores
// NoCommand(); "閲覧先に設定する" and "転送先に設定する" store "$OPEN=" or "$MOVE=" followed by
// `currentFolder`; "現在の倍率にする" stores `currentRate` with two to four decimals.
QString AssignedCommand(const QString& name, const QString& currentFolder, double currentRate);
