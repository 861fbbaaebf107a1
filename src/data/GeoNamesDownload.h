#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>

class QNetworkAccessManager;
class QThread;

// Downloads GeoNames postal-code archives ("XX.zip" below a base address) over HTTP into a
// folder, one country after the other, and checks each archive through to its end. The answer
// goes to the file through a fixed buffer, so memory stays small whatever the server sends;
// it is capped, and a server that sends too little for too long is given up. An archive is
// checked off the calling thread (ArchiveCheck: sound, only rows of its country, not inflated).
// A network error, an HTTP error, a truncated or refused answer gives a German message naming
// the country, and no file for it.
class CGeoNamesDownload : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        QString country;
        QString file;  // the checked archive; empty on an error
        QString error; // German, naming the country; empty on success
    };

    struct Limits {
        qint64 maxAnswerBytes = qint64(200) << 20; // setting Daten/DownloadGrenzeMB
        qint64 maxMemberBytes = qint64(1) << 30;   // setting Daten/EntpacktGrenzeMB
        // A server that sends fewer than minBytes in any slowWindowMs is given up.
        int slowWindowMs = 30000;
        qint64 minBytes = 30 * 1024;
    };

    // The public GeoNames export folder of postal codes.
    static QString DefaultBaseUrl();
    // The base address from the settings (Daten/GeoNamesUrl), else the default.
    static QString BaseUrlSetting();
    // The caps from the settings, else the defaults.
    static Limits LimitsSetting();
    // The countries the download offers: code and German name, in the order shown.
    static QList<QPair<QString, QString>> Countries();

    CGeoNamesDownload(const QString& baseUrl, const QString& folder, QObject* parent = nullptr);
    ~CGeoNamesDownload() override;

    void SetLimits(const Limits& limits) { m_limits = limits; }

    // Starts downloading; finished() follows when the last country is done. A country named
    // twice is fetched once.
    void Start(const QStringList& countries);
    // Stops: the running download or check is aborted, the countries not yet started are not
    // fetched.
    void Cancel();
    bool IsRunning() const { return m_pReply != nullptr || m_pCheck != nullptr; }
    const QList<Outcome>& Outcomes() const { return m_outcomes; }

    // Downloads the countries and waits for the end (for the batch tool).
    QList<Outcome> Run(const QStringList& countries);

signals:
    // Bytes of the running country's archive received so far, and in all (-1: not known).
    void progress(const QString& country, qint64 received, qint64 total);
    // The running country's archive has arrived and is being checked.
    void checking(const QString& country);
    // One country is done, successfully or not.
    void countryDone(const CGeoNamesDownload::Outcome& outcome);
    void finished();

private:
    enum Stop { NotStopped, Cancelled, TooLarge, NoSpace, WriteFailed, TooSlow };

    void Next();
    void OnMetaData();
    void OnReadyRead();
    void OnWatch();
    void OnFinished();
    void Abort(Stop why);
    QString Check(QNetworkReply* reply);
    void StartArchiveCheck();
    void Done(const QString& error);

    QNetworkAccessManager* m_pNetwork;
    QString m_strBase;
    QString m_strFolder;
    Limits m_limits;
    QStringList m_queue;
    QString m_strCountry; // the country being downloaded
    QString m_strFile;
    int m_nFile = -1; // its descriptor while the answer arrives
    QPointer<QNetworkReply> m_pReply;
    QByteArray m_buffer;
    qint64 m_nReceived = 0; // bytes of the answer written to the file
    qint64 m_nArrived = 0;  // bytes of the answer read, whatever its status
    qint64 m_nArrivedAtTick = 0;
    qint64 m_nNeeded = 0; // the stated length, when short of space
    int m_nWriteErrno = 0;
    QTimer m_watch;
    bool m_bCancelled = false;
    Stop m_eStop = NotStopped;
    QThread* m_pCheck = nullptr;
    std::atomic<bool> m_bCheckCancel{false};
    QString m_strCheckResult;
    QStringList m_watched; // files registered for removal on a signal
    QList<Outcome> m_outcomes;
};
