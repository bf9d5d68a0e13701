#pragma once

#include <QByteArray>
#include <QtGlobal>

// What loading a file into the editor will take, judged from its bytes before anything is
// built: the editor keeps a structure per paragraph, so a file of empty lines needs many times
// its size in memory, and the byte count alone says little.
struct LoadEstimate {
    enum class Verdict {
        Comfortable,  // load without asking
        Heavy,        // the machine can hold it, but it would take a large share: ask first
        TooLarge,     // more than the machine has free: refuse
    };

    bool rtf = false;
    qint64 bytes = 0;
    qint64 paragraphs = 0;
    qint64 memoryBytes = 0;  // peak memory of the load, roughly

    // Counts the paragraphs of plain text (line breaks) or of RTF (paragraph, row and section
    // marks) in one pass over the bytes.
    static LoadEstimate of(const QByteArray& bytes, bool rtf);

    // Against `availableBytes` of free memory: comfortable up to a quarter of it, refused beyond
    // three quarters.
    Verdict judge(qint64 availableBytes) const;

    // The memory this machine has free now (MemAvailable), or -1 when it cannot be told.
    static qint64 availableMemory();
};
