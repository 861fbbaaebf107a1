#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Temporary files the program makes (a new database under a hidden name beside its final one,
// downloaded archives in a folder of the temporary directory) must not outlive it. Those in
// use are registered here: the program's own clean-up removes them on every ordinary path,
// the handlers for SIGINT, SIGTERM and SIGHUP remove what is still registered before the
// process ends, and what a hard kill left is removed by the next start once the process
// that made it is gone.
namespace LeftoverFiles {

// Registers a file or an empty-at-the-end folder to be removed when a signal ends the process.
// Folders are removed after the files registered later. At most 64 at a time; more are
// ignored (then only the next start removes them).
void Watch(const QString& path);
// Takes a path off the list (it was removed or published).
void Unwatch(const QString& path);
// Installs the handlers for SIGINT, SIGTERM and SIGHUP: they remove every registered path,
// then end the process by the signal's default action.
void InstallSignalHandlers();

// The hidden name ".NAME.neu-PID-N" beside `path` for a new database this process makes.
QString NewBeside(const QString& path, quint32 n);
// Removes the hidden new-database files beside `path` (NewBeside) whose process has ended,
// and the files a database engine kept beside them: the same name followed by one of
// `sideEndings`. Returns how many were removed.
int RemoveStaleNew(const QString& path, const QStringList& sideEndings);

// A template for QTemporaryDir in the temporary folder: "Kelvo-download-PID-XXXXXX".
QString DownloadFolderTemplate();
// Removes download folders in the temporary folder whose process has ended; returns how many.
int RemoveStaleDownloads();

// A download folder in the temporary directory (DownloadFolderTemplate), removed with its
// files when this object goes and registered for removal on a signal meanwhile.
class Folder {
public:
    Folder();
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    bool IsValid() const { return m_dir.isValid(); }
    QString Path() const { return m_dir.path(); }
    QString ErrorString() const { return m_dir.errorString(); }

private:
    QTemporaryDir m_dir;
};

} // namespace LeftoverFiles
