#pragma once

#include <QString>

// The system's reasons why a file cannot be read or written, in German sentences. The
// system's own text follows only as a detail in parentheses.
namespace SystemErrorText {

enum class Access { Read, Write };

// A German sentence for an error number (a missing file or folder, a missing right, a
// read-only medium, a folder where a file is expected); empty for the others.
QString Sentence(int error);

// The sentence for the error number, with the system's text in parentheses; the system's
// text alone where there is no sentence.
QString FromErrno(int error);

// Why the file at `path` cannot be read, or written or created, found by asking the file
// system again: a German sentence that names the file's folder where the folder is the
// cause, or an empty text when nothing stands in the way.
QString Reason(const QString& path, Access access);

// For a file that could not be opened, read or written: the reason with `systemText` (the
// file's error text) in parentheses, or `systemText` alone when no reason is found.
QString OfFile(const QString& path, Access access, const QString& systemText);

} // namespace SystemErrorText
