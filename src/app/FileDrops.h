// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QDropEvent;
class QMimeData;
class QWidget;

// Files dragged from a file manager onto a window are opened, wherever they land in it. It
// watches the whole application, so that a widget of the window which would take the drop
// itself (a text box inserting the file's address) never sees a drag of files.
class FileDrops : public QObject {
  public:
    using Open = std::function<void(const QStringList& paths)>;

    // `open` is called with the dropped files once the drop is over.
    FileDrops(QWidget* window, Open open);

    // The local files among the dragged URLs, in order.
    static QStringList droppedFiles(const QMimeData* data);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void drop(QDropEvent* event);

    QWidget* window_;
    Open open_;
};
