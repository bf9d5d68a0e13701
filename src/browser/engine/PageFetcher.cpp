// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser/engine/PageFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

QString sizeText(qint64 bytes) {
    constexpr qint64 kMegabyte = 1024 * 1024;
    if (bytes >= kMegabyte && bytes % kMegabyte == 0) {
        return QStringLiteral("%1 MB").arg(bytes / kMegabyte);
    }
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString durationText(int ms) {
    if (ms % 1000 == 0) return QStringLiteral("%1 seconds").arg(ms / 1000);
    return QStringLiteral("%1 milliseconds").arg(ms);
}

}  // namespace

PageFetcher::PageFetcher(QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this)), timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("the page did not arrive within %1")
                 .arg(durationText(limits_.timeoutMs)));
    });
}

PageFetcher::~PageFetcher() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

bool PageFetcher::isFetchable(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                             scheme == QLatin1String("file"));
}

void PageFetcher::start(const QUrl& url) {
    abort();
    ++generation_;
    data_.clear();
    contentType_.clear();
    error_.clear();
    pendingFailure_.clear();
    succeeded_ = false;
    done_ = false;
    finalUrl_ = url;

    if (!isFetchable(url)) {
        // Reported like every other outcome: after start() has returned.
        pendingFailure_ = QStringLiteral("only http, https and file addresses can be fetched");
        QMetaObject::invokeMethod(
            this,
            [this, generation = generation_] {
                if (generation == generation_) finish(false);
            },
            Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    // Redirects to a less safe scheme (https to http, or anything to a local file) are refused.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits_.maxRedirects);
    if (!userAgent_.isEmpty()) request.setHeader(QNetworkRequest::UserAgentHeader, userAgent_);

    QNetworkReply* reply = network_->get(request);
    reply_ = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, &PageFetcher::onMetaData);
    connect(reply, &QNetworkReply::readyRead, this, &PageFetcher::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &PageFetcher::onFinished);
    timer_->start(limits_.timeoutMs);
}

void PageFetcher::abort() {
    timer_->stop();
    if (!reply_) return;
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void PageFetcher::onMetaData() {
    if (!reply_) return;
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400) return;  // a redirect: its own length says nothing
    bool known = false;
    const qint64 length = reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && length > limits_.maxBytes) {
        fail(QStringLiteral("the page is larger than %1").arg(sizeText(limits_.maxBytes)));
    }
}

void PageFetcher::onReadyRead() {
    if (!reply_) return;
    data_ += reply_->read(limits_.maxBytes + 1 - data_.size());
    if (data_.size() > limits_.maxBytes) {
        fail(QStringLiteral("the page is larger than %1").arg(sizeText(limits_.maxBytes)));
    }
}

void PageFetcher::fail(const QString& reason) {
    if (done_) return;
    if (pendingFailure_.isEmpty()) pendingFailure_ = reason;
    if (reply_ && reply_->isRunning()) {
        reply_->abort();  // finished() follows at once
    } else {
        finish(false);
    }
}

void PageFetcher::onFinished() {
    if (!reply_ || done_) return;
    timer_->stop();
    if (pendingFailure_.isEmpty()) {
        switch (reply_->error()) {
            case QNetworkReply::NoError:
                data_ += reply_->read(limits_.maxBytes + 1 - data_.size());
                if (data_.size() > limits_.maxBytes) {
                    pendingFailure_ = QStringLiteral("the page is larger than %1")
                                          .arg(sizeText(limits_.maxBytes));
                }
                break;
            case QNetworkReply::TooManyRedirectsError:
                pendingFailure_ =
                    QStringLiteral("more than %1 redirects").arg(limits_.maxRedirects);
                break;
            case QNetworkReply::ProtocolUnknownError:
                // The first address was checked: only a redirect can lead elsewhere.
                pendingFailure_ =
                    QStringLiteral("the page redirects to an address that cannot be fetched");
                break;
            case QNetworkReply::InsecureRedirectError:
                pendingFailure_ = QStringLiteral("the page redirects to a less safe address");
                break;
            default: {
                const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                if (status.isValid() && status.toInt() >= 400) {
                    pendingFailure_ =
                        QStringLiteral("the server answered %1 %2")
                            .arg(status.toInt())
                            .arg(reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute)
                                     .toString())
                            .trimmed();
                } else {
                    pendingFailure_ = reply_->errorString();
                }
                break;
            }
        }
    }
    if (!pendingFailure_.isEmpty()) {
        finish(false);
        return;
    }
    contentType_ = reply_->rawHeader("Content-Type");
    finalUrl_ = reply_->url();
    finish(true);
}

void PageFetcher::finish(bool ok) {
    if (done_) return;
    timer_->stop();
    done_ = true;
    succeeded_ = ok;
    if (!ok) {
        error_ = pendingFailure_;
        data_.clear();
    }
    if (reply_) {
        QNetworkReply* reply = reply_;
        reply_ = nullptr;
        reply->disconnect(this);
        reply->deleteLater();
    }
    emit finished();
}
