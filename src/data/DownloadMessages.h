#pragma once

#include <QString>

class QNetworkReply;

// The German texts of a download that went wrong, each beginning with the country.
namespace DownloadMessages {

inline constexpr int kMaxRedirects = 10;

// Why a finished answer is no archive: a refused or endless redirect, an HTTP error, a
// network error. Empty when the answer came as a whole with status 200.
QString ReplyError(const QString& country, QNetworkReply& reply);

QString Cancelled(const QString& country);
QString TooSlow(const QString& country, int seconds, qint64 minBytes);
QString TooLarge(const QString& country, qint64 maxBytes);
QString NoSpace(const QString& country, const QString& folder, qint64 needed, qint64 free);
QString WriteFailed(const QString& country, const QString& file, int error);

} // namespace DownloadMessages
