// SPDX-License-Identifier: GPL-3.0-or-later
#include "about/core/Registry.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN

// The Windows registry through its ANSI calls.
class WindowsRegistry : public Registry {
  public:
    bool Present() const override { return true; }

    long OpenKeyEx(int32_t root, const QString& subKey, uint32_t options, uint32_t access,
                   Key* key) override {
        HKEY opened = nullptr;
        const QByteArray name = subKey.toLocal8Bit();
        const LONG result =
            // Root handles are sign-extended 32-bit values.
            RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<quintptr>(static_cast<qintptr>(root))),
                          name.constData(), options, access, &opened);
        if (result == Success) *key = reinterpret_cast<Key>(opened);
        return result;
    }

    long QueryValueEx(Key key, const QString& valueName, uint32_t* type, QByteArray& buffer,
                      uint32_t* size) override {
        const QByteArray name = valueName.toLocal8Bit();
        DWORD valueType = 0;
        DWORD bytes = qMin<DWORD>(*size, DWORD(buffer.size()));
        const LONG result =
            RegQueryValueExA(reinterpret_cast<HKEY>(key), name.constData(), nullptr, &valueType,
                             reinterpret_cast<LPBYTE>(buffer.data()), &bytes);
        *type = valueType;
        *size = bytes;
        return result;
    }

    long CloseKey(Key key) override { return RegCloseKey(reinterpret_cast<HKEY>(key)); }
};

#else

// No registry on this platform: nothing can be opened.
class NoRegistry : public Registry {
  public:
    bool Present() const override { return false; }
    long OpenKeyEx(int32_t, const QString&, uint32_t, uint32_t, Key*) override {
        return FileNotFound;
    }
    long QueryValueEx(Key, const QString&, uint32_t*, QByteArray&, uint32_t*) override {
        return FileNotFound;
    }
    long CloseKey(Key) override { return Success; }
};

#endif

}  // namespace

std::unique_ptr<Registry> CreatePlatformRegistry() {
#ifdef Q_OS_WIN
    return std::make_unique<WindowsRegistry>();
#else
    return std::make_unique<NoRegistry>();
#endif
}
