// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CaretPanel.h"

#include <QStatusBar>
#include <QTimer>

#include "document/LinePosition.h"
#include "document/RichTextBox.h"

CaretPanel::CaretPanel(QStatusBar* bar) : QLabel(bar) {
    setObjectName(QStringLiteral("sbPanelCaret"));
    setContentsMargins(6, 0, 6, 0);
    setAlignment(Qt::AlignCenter);
    // Right of the status text, left of the date: the panels of the keys stay at the end.
    bar->insertPermanentWidget(1, this);
}

void CaretPanel::follow(RichTextBox* text) {
    if (text == text_) return;
    if (text_) disconnect(text_, nullptr, this, nullptr);
    text_ = text;
    if (text) {
        connect(text, &RichTextBox::SelChange, this, &CaretPanel::schedule);
        connect(text, &RichTextBox::Change, this, &CaretPanel::schedule);
    }
    refresh();
}

void CaretPanel::schedule() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, this, &CaretPanel::refresh);
}

void CaretPanel::refresh() {
    scheduled_ = false;
    if (!text_) {
        clear();
        return;
    }
    const LinePosition::Place place = LinePosition::caretPlace(text_);
    setText(QStringLiteral("Ln %L1, Col %L2").arg(place.line).arg(place.column));
}
