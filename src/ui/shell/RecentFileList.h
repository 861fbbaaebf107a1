#pragma once

#include <QString>
#include <QStringList>

// The recent-file list ("Letzte Datei"): the most recently opened files, newest first, kept
// in the settings store (organisation "Arnvik", application "Kelvo", group
// "Recent File List", keys File1 ... File10).
class CRecentFileList {
public:
    explicit CRecentFileList(int size);

    // Reads the list from the settings store.
    void ReadList();
    // Puts a file first (moving it up when it is listed already, dropping the oldest when
    // the list is full) and writes the list back.
    void Add(const QString& path);
    // Drops entry i and writes the list back.
    void Remove(int index);

    int GetSize() const { return m_nSize; }
    const QStringList& Files() const { return m_aFiles; }
    // The menu text of entry i: "&1 /path/file.txt" ... "1&0 /path/file.txt".
    QString MenuText(int index) const;

private:
    void WriteList() const;

    int m_nSize;
    QStringList m_aFiles;
};

// A numbered menu entry, "&1 text" to "&9 text", "1&0 text": the number's last digit is the
// mnemonic; ampersands in the text are shown as such.
QString NumberedMenuText(int number, QString text);
