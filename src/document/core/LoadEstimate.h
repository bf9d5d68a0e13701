// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

// What loading a file into the editor will take, judged from its bytes before anything is
// built: the rich-text editor keeps a structure per paragraph, so an RTF file of empty
// paragraphs needs many times its size in memory, and the byte count alone says little.
struct LoadEstimate {
    enum class Verdict {
        Comfortable,        // load without asking
        Heavy,              // the machine can hold it, but it would take a large share: ask first
        TooLarge,           // more than the machine has free: refuse
        TooManyParagraphs,  // more formatted paragraphs than the rich-text editor can lay out
    };

    // Reading costs about 2 microseconds a paragraph, a little more as documents grow (each
    // paragraph is a search of the document's trees), and Ctrl+End lays out every paragraph:
    // 500,000 empty paragraphs reach the first screen in about 0.9 s and their end in about
    // 1.7 s on an idle machine, within the 2 s aimed at, with 300 MB. Memory is judged
    // separately, from the estimate.
    static constexpr qint64 kMaxRtfParagraphs = 500000;

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
    // three quarters; RTF with more than kMaxRtfParagraphs paragraphs is refused.
    Verdict judge(qint64 availableBytes) const;

    // The memory this machine has free now (MemAvailable), or -1 when it cannot be told.
    static qint64 availableMemory();
};
