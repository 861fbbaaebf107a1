#pragma once

#include <QFile>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

class QNetworkAccessManager;

#include <QNetworkReply>

// Downloads GeoNames postal-code archives ("XX.zip" below a base address) over HTTP into a
// folder, one country after the other, and checks each archive through to its end. A network
// error, an HTTP error, a truncated answer or one that is no zip archive gives a German message
// naming the country, and no file for it.
class CGeoNamesDownload : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        QString country;
        QString file;  // the checked archive; empty on an error
        QString error; // German, naming the country; empty on success
    };

    // The public GeoNames export folder of postal codes.
    static QString DefaultBaseUrl();
    // The base address from the settings (Daten/GeoNamesUrl), else the default.
    static QString BaseUrlSetting();
    // The countries the download offers: code and German name, in the order shown.
    static QList<QPair<QString, QString>> Countries();

    CGeoNamesDownload(const QString& baseUrl, const QString& folder, QObject* parent = nullptr);
    ~CGeoNamesDownload() override;

    // Starts downloading; finished() follows when the last country is done.
    void Start(const QStringList& countries);
    // Stops: the running download is aborted, the countries not yet started are not fetched.
    void Cancel();
    bool IsRunning() const { return m_pReply != nullptr; }
    const QList<Outcome>& Outcomes() const { return m_outcomes; }

    // Downloads the countries and waits for the end (for the batch tool).
    QList<Outcome> Run(const QStringList& countries);

    // An answer larger than this is refused (the whole GeoNames export is far smaller).
    static constexpr qint64 kMaxBytes = qint64(1) << 30;

signals:
    // Bytes of the running country's archive received so far, and in all (-1: not known).
    void progress(const QString& country, qint64 received, qint64 total);
    // One country is done, successfully or not.
    void countryDone(const CGeoNamesDownload::Outcome& outcome);
    void finished();

private:
    void Next();
    void OnReadyRead();
    void OnFinished();
    QString Check(QNetworkReply* reply);
    void Done(const QString& error);

    QNetworkAccessManager* m_pNetwork;
    QString m_strBase;
    QString m_strFolder;
    QStringList m_queue;
    QString m_strCountry; // the country being downloaded
    QPointer<QNetworkReply> m_pReply;
    QFile m_file;
    qint64 m_nReceived = 0;
    bool m_bCancelled = false;
    bool m_bTooLarge = false;
    QString m_strWriteError;
    QList<Outcome> m_outcomes;
};
