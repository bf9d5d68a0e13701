// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QWidget>

// A child window of the main window's document area: a document or a browser window. Its
// caption is the window title; its tag is the state marker the command-state refresher reads
// ("" clean and "SAVE" changed on documents, "Web" on browser windows).
class ChildForm : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;

    QString Tag() const { return tag_; }
    void setTag(const QString& tag) {
        if (tag == tag_) return;
        tag_ = tag;
        emit tagChanged();
    }

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

    // The size of what the window shows, in percent of the normal size, for View > Zoom; 0 for
    // a window that does not zoom.
    virtual int zoomPercent() const { return 0; }
    virtual void setZoomPercent(int) {}

  signals:
    void tagChanged();

  private:
    QString tag_;
};
