#include "uPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

QString& ProgramDirectoryOverride() {
    static QString dir;
    return dir;
}

TShellOpenHandler& ShellHandler() {
    static TShellOpenHandler handler;
    return handler;
}

QString ExecutablePath() {
    if (QCoreApplication::instance() != nullptr) {
        return QCoreApplication::applicationFilePath();
    }
#if defined(_WIN32)
    wchar_t buffer[32768];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    return QString::fromWCharArray(buffer, static_cast<int>(length));
#else
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
#endif
}

QString WithTrailingSeparator(QString dir) {
    dir = QDir::toNativeSeparators(dir);
    if (!dir.endsWith(PathSeparator)) {
        dir += PathSeparator;
    }
    return dir;
}

} // namespace

QString ProgramDirectory() {
    if (!ProgramDirectoryOverride().isEmpty()) {
        return ProgramDirectoryOverride();
    }
    static const QString dir = WithTrailingSeparator(QFileInfo(ExecutablePath()).absolutePath());
    return dir;
}

void SetProgramDirectory(const QString& dir) {
    ProgramDirectoryOverride() = dir.isEmpty() ? QString() : WithTrailingSeparator(dir);
}

TDynamicLibrary::TDynamicLibrary(const QString& path) {
#if defined(_WIN32)
    FHandle = reinterpret_cast<void*>(LoadLibraryW(reinterpret_cast<LPCWSTR>(path.utf16())));
#else
    // Bound at once: resolving a handful of symbols while loading costs less than sending the first call of
    // each through the lazy resolver, and the engine is loaded for every single call.
    FHandle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
#endif
}

TDynamicLibrary::~TDynamicLibrary() {
    Unload();
}

TDynamicLibrary::TDynamicLibrary(TDynamicLibrary&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}

TDynamicLibrary& TDynamicLibrary::operator=(TDynamicLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        FHandle = std::exchange(other.FHandle, nullptr);
    }
    return *this;
}

void* TDynamicLibrary::Symbol(const char* name) const {
    if (FHandle == nullptr) {
        return nullptr;
    }
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(FHandle), name));
#else
    return dlsym(FHandle, name);
#endif
}

void TDynamicLibrary::Unload() {
    if (FHandle == nullptr) {
        return;
    }
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(FHandle));
#else
    dlclose(FHandle);
#endif
    FHandle = nullptr;
}

void SetShellOpenHandler(TShellOpenHandler handler) {
    ShellHandler() = std::move(handler);
}

void ShellOpen(const QString& target) {
    if (ShellHandler()) {
        ShellHandler()(target);
    }
}

QDateTime LocalNow() {
    return QDateTime::currentDateTime();
}

} // namespace platform
