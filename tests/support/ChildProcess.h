// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QStringList>
#include <functional>

// Another program run to its end: its exit code (-1 when it did not start, crashed or hung) and
// what it wrote.
struct ChildRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

struct ChildOptions {
    QByteArray input;                  // written to its standard input, then closed
    std::function<void()> beforeExec;  // runs in the child, e.g. to set limits
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    int timeoutMs = 60000;
};

inline ChildRun runChild(const QString& program, const QStringList& args,
                         const ChildOptions& options = {}) {
    QProcess process;
    process.setProcessEnvironment(options.environment);
    if (options.beforeExec) process.setChildProcessModifier(options.beforeExec);
    process.start(program, args);
    if (!process.waitForStarted()) return {-1, {}, process.errorString().toUtf8()};
    process.write(options.input);
    process.closeWriteChannel();
    if (!process.waitForFinished(options.timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, "timed out"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// The built quillo-cli.
inline ChildRun runCli(const QStringList& args, const ChildOptions& options = {}) {
    return runChild(QStringLiteral(QUILLO_BINARY_DIR "/quillo-cli"), args, options);
}
