// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Fetches one page's bytes for "Edit HTML": http, https and file addresses only, within a size
// cap and a time limit, following redirects (never to a less safe scheme). Works asynchronously:
// the window stays responsive while the page comes in, and finished() reports the outcome.
class PageFetcher : public QObject {
    Q_OBJECT
  public:
    struct Limits {
        qint64 maxBytes = 50LL * 1024 * 1024;
        int timeoutMs = 30000;
        int maxRedirects = 10;
    };

    explicit PageFetcher(QObject* parent = nullptr);
    ~PageFetcher() override;

    void setLimits(const Limits& limits) { limits_ = limits; }
    const Limits& limits() const { return limits_; }
    void setUserAgent(const QByteArray& userAgent) { userAgent_ = userAgent; }

    // Whether an address has a scheme this fetcher reads.
    static bool isFetchable(const QUrl& url);

    // Starts fetching; finished() follows (also for an address that cannot be fetched at all).
    void start(const QUrl& url);
    void abort();

    bool succeeded() const { return succeeded_; }
    const QByteArray& data() const { return data_; }
    const QByteArray& contentType() const { return contentType_; }
    QUrl finalUrl() const { return finalUrl_; }
    // Why the fetch failed, as a sentence part for the status bar.
    const QString& errorString() const { return error_; }

  signals:
    void finished();

  private:
    void onReadyRead();
    void onMetaData();
    void onFinished();
    void fail(const QString& reason);
    void finish(bool ok);

    QNetworkAccessManager* network_;
    QTimer* timer_;
    QPointer<QNetworkReply> reply_;
    Limits limits_;
    QByteArray userAgent_;
    QByteArray data_;
    QByteArray contentType_;
    QUrl finalUrl_;
    QString error_;
    QString pendingFailure_;
    bool succeeded_ = false;
    bool done_ = false;
    int generation_ = 0;  // tells a stale queued report from the current fetch's
};
