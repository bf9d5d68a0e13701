// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

// What loading a file into the editor will take, judged from its bytes before anything is
// built: its memory, from the bytes and the count of lines or paragraphs. The count sets no limit
// of its own: read straight into the editor's text and formats, RTF paragraphs cost little time
// (1.6 million empty ones reach the first screen in 0.2 s, 8 million in 0.6 s).
struct LoadEstimate {
    enum class Verdict {
        Comfortable,  // load without asking
        Heavy,        // the machine can hold it, but it would take a large share: ask first
        TooLarge,     // more than the machine has free: refuse
    };

    bool rtf = false;
    bool latin1 = false;  // plain text that will be held one byte a character
    qint64 bytes = 0;
    qint64 paragraphs = 0;
    qint64 memoryBytes = 0;  // peak memory of the load, roughly

    // Counts the paragraphs of plain text (line breaks) or of RTF (paragraph, row and section
    // marks) in one pass over the bytes; for plain text, tells whether it will be held one byte
    // a character (see TextFileCodec::decodeCompact), which takes about a third of the memory.
    static LoadEstimate of(const QByteArray& bytes, bool rtf);

    // Against `availableBytes` of free memory: comfortable up to a quarter of it, refused beyond
    // three quarters.
    Verdict judge(qint64 availableBytes) const;

    // The memory this machine has free now (MemAvailable), or -1 when it cannot be told.
    static qint64 availableMemory();
};
