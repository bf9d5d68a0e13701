// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "ScriptedDialogHost.h"
#include "app/AppServices.h"

class frmMain;

// A settings store and a program folder of their own in temporary folders, a scripted dialog
// host, and a main window made by the real entry procedure. Nothing touches the user's files.
class TestEnvironment {
  public:
    TestEnvironment();
    ~TestEnvironment();

    // Writes a setting before start-up.
    void setSetting(const QString& key, const QString& value);
    QString setting(const QString& key,
                    const QString& fallback = QStringLiteral("<missing>")) const;
    // Puts a readme next to the "program".
    void installReadme(const QByteArray& rtf = "{\\rtf1\\ansi Welcome to the readme.\\par}");

    // Runs the entry procedure; the window is destroyed with the environment.
    frmMain* start(const QString& commandLine = QString());
    // Closes the main window as the user would; returns whether it closed.
    bool closeMain();

    QString scratch(const QString& name) const { return scratch_.filePath(name); }

    ScriptedDialogHost dialogs;
    AppServices services;

  private:
    QString previousSettings_;
    QTemporaryDir settings_;
    QTemporaryDir program_;
    QTemporaryDir scratch_;
    std::unique_ptr<frmMain> main_;
};

// The usual fixture of a window test: for every test function a fresh environment and a main
// window started past the first-start readme. Test classes derive from it and use env and main.
class WindowTest : public QObject {
    Q_OBJECT

  protected:
    std::unique_ptr<TestEnvironment> env;
    frmMain* main = nullptr;

    // A scratch file holding `bytes`: its path, or an empty one if it could not be written.
    QString file(const QString& name, const QByteArray& bytes) const;
    // Shows and activates a child window that stands in for a browser window (it carries the
    // marker "Web") without starting the web engine.
    void showBrowser() const;

  protected slots:
    void init();
    void cleanup() { env.reset(); }
};
