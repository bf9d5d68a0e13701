// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusPanels.h"

#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>

StatusPanels::StatusPanels(QStatusBar* bar) : QObject(bar), bar_(bar), clock_(new QTimer(this)) {
    static const char* const kNames[6] = {"sbPanelStatus", "sbPanelDate", "sbPanelTime",
                                          "sbPanelCaps",   "sbPanelNum",  "sbPanelIns"};
    for (int i = 0; i < 6; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QLatin1String(kNames[i]));
        panels_[i]->setContentsMargins(6, 0, 6, 0);
        if (i == 0) {
            bar->addWidget(panels_[i], 1);
        } else {
            panels_[i]->setAlignment(Qt::AlignCenter);
            bar->addPermanentWidget(panels_[i]);
        }
    }
    panels_[0]->setText(QStringLiteral("Ready."));
    panels_[3]->setText(QStringLiteral("CAPS"));
    panels_[4]->setText(QStringLiteral("NUM"));
    panels_[5]->setText(QStringLiteral("INS"));
    setInsertMode(true);
    refreshLockStates();

    clock_->setSingleShot(true);
    clock_->setTimerType(Qt::CoarseTimer);
    connect(clock_, &QTimer::timeout, this, &StatusPanels::updateClock);
    updateClock();

    if (qApp) qApp->installEventFilter(this);
}

void StatusPanels::setText(const QString& text) {
    panels_[0]->setText(text);
}
QString StatusPanels::text() const {
    return panels_[0]->text();
}
QLabel* StatusPanels::panel(int index) const {
    return index >= 1 && index <= 6 ? panels_[index - 1] : nullptr;
}

void StatusPanels::setPanelOn(QLabel* label, bool on) {
    // A panel whose key is off is shown greyed, as key-state panels usually are.
    label->setEnabled(on);
}

void StatusPanels::setInsertMode(bool inserting) {
    setPanelOn(panels_[5], inserting);
}

void StatusPanels::refreshLockStates() {
    setPanelOn(panels_[3], KeyStates::capsLock());
    setPanelOn(panels_[4], KeyStates::numLock());
}

void StatusPanels::updateClock() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    panels_[1]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    // The clock is kept to the minute, so the time is shown without seconds.
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    timeFormat.remove(QStringLiteral(":ss")).remove(QStringLiteral(".ss"));
    panels_[2]->setText(locale.toString(now.time(), timeFormat));
    // Wake up again just after the next minute begins, not more often.
    const int msToNextMinute = 60000 - (now.time().second() * 1000 + now.time().msec()) + 50;
    clock_->start(msToNextMinute);
}

bool StatusPanels::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyRelease:
        case QEvent::ApplicationActivate:
            refreshLockStates();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
