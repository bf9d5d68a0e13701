// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FileDrops.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace {

// Takes a drag of files as a copy: a file manager offering a move would otherwise delete the
// file once it is dropped.
void acceptFileDrag(QDropEvent* event) {
    if (event->possibleActions() & Qt::CopyAction) {
        event->setDropAction(Qt::CopyAction);
    } else if (event->possibleActions() & Qt::LinkAction) {
        event->setDropAction(Qt::LinkAction);
    } else {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace

FileDrops::FileDrops(QWidget* window, Open open)
    : QObject(window), window_(window), open_(std::move(open)) {
    window->setAcceptDrops(true);
    // The application's filter sees a drag before any widget does.
    qApp->installEventFilter(this);
}

QStringList FileDrops::droppedFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    return paths;
}

bool FileDrops::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    auto* widget = qobject_cast<QWidget*>(watched);
    if ((type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) ||
        !widget || widget->window() != window_ ||
        droppedFiles(static_cast<QDropEvent*>(event)->mimeData()).isEmpty()) {
        return false;
    }
    // Handled as if dropped on the window itself, and kept from the widget.
    auto* dropEvent = static_cast<QDropEvent*>(event);
    acceptFileDrag(dropEvent);
    if (type == QEvent::Drop) drop(dropEvent);
    return true;
}

void FileDrops::drop(QDropEvent* event) {
    if (!event->isAccepted()) return;
    // Opened once the drop is over: a message about a file that cannot be read must not hold
    // up the file manager's side of the drag.
    const QStringList paths = droppedFiles(event->mimeData());
    QMetaObject::invokeMethod(
        this, [this, paths] { open_(paths); }, Qt::QueuedConnection);
}
