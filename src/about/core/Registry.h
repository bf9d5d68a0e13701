// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

// Reading the system registry: the three calls the About box needs, with the registry's own
// status codes. Where the platform has no registry, every key reads as missing.
class Registry {
  public:
    using Key = quintptr;

    // Root handles, access masks, value types and status codes, with the registry's values
    // (named apart from the platform header's macros).
    static constexpr int32_t LocalMachine = int32_t(0x80000002u);
    static constexpr uint32_t AllAccess = 0x2003F;
    static constexpr uint32_t TypeSz = 1;
    static constexpr uint32_t TypeExpandSz = 2;
    static constexpr uint32_t TypeDword = 4;
    static constexpr long Success = 0;
    static constexpr long FileNotFound = 2;
    static constexpr long MoreData = 234;

    virtual ~Registry() = default;

    // False where there is no registry at all.
    virtual bool Present() const = 0;
    // Opens `subKey` under the root handle `root`; on success `key` receives the open key.
    virtual long OpenKeyEx(int32_t root, const QString& subKey, uint32_t options, uint32_t access,
                           Key* key) = 0;
    // Reads the value `valueName` into `buffer`, at most `*size` bytes (the buffer's capacity);
    // `type` receives the value's type and `size` the number of bytes written.
    virtual long QueryValueEx(Key key, const QString& valueName, uint32_t* type, QByteArray& buffer,
                              uint32_t* size) = 0;
    virtual long CloseKey(Key key) = 0;
};

// The registry of the platform the program runs on.
std::unique_ptr<Registry> CreatePlatformRegistry();
