#pragma once

#include <QString>

// The outcome of one file operation: success, or why it failed in words the user can read.
struct FileOpResult {
    bool ok = false;
    int error = 0;  // errno of the call that failed; 0 for refusals of our own
    QString reason; // a Japanese sentence for the message box; empty on success

    static FileOpResult Success() { return {true, 0, {}}; }
    static FileOpResult Failure(int error, const QString& reason) { return {false, error, reason}; }
    // A failure of a system call, with the sentence ReasonForError gives for `error`.
    static FileOpResult FromErrno(int error);
    explicit operator bool() const { return ok; }
};

// A sentence for the errors a user can meet while files are written: a full disk, a file over
// the size allowed, a folder that may not be written, a name too long, a file or folder that
// vanished; strerror's text for the rest.
QString ReasonForError(int error);
