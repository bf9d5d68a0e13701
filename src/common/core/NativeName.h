// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names as the system keeps them: bytes, usually but not always UTF-8. Qt reads every name
// as UTF-8 and turns a byte that is not part of valid UTF-8 into U+FFFD, so such a file can be
// neither opened nor saved under its own name. Here each such byte becomes a lone surrogate
// (U+DC80 to U+DCFF) that turns back into the same byte, so every name survives the trip
// through a QString.
namespace NativeName {

QString decode(QByteArrayView name);
QByteArray encode(QStringView name);

// `name` made absolute against the current folder and cleaned ("a/../b" is "b"), as text only:
// the bytes of an escaped name stay as they are.
QString absolute(const QString& name);

// A name that does not exist and holds U+FFFD may have lost its bytes on the way (a file
// dialog, a dropped link): the reason to give for it, or empty when that is not the case.
QString unrepresentableReason(const QString& name);

}  // namespace NativeName
