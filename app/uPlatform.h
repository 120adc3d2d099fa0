#pragma once

// The program's one layer over the platform: where the program lives, loading the engine library, the
// shell's "open" action and the local clock. Windows and the core call these, never the platform directly.

#include <QDateTime>
#include <QString>

#include <functional>

namespace platform {

// File name of the engine library as the platform names shared libraries.
#if defined(_WIN32)
inline constexpr char EngineLibraryName[] = "sigeng.dll";
#elif defined(__APPLE__)
inline constexpr char EngineLibraryName[] = "libsigeng.dylib";
#else
inline constexpr char EngineLibraryName[] = "libsigeng.so";
#endif

// The platform's path separator (the backslash where the platform has one).
#if defined(_WIN32)
inline constexpr QChar PathSeparator = u'\\';
#else
inline constexpr QChar PathSeparator = u'/';
#endif

// Directory of the running program's executable, with its trailing separator.
QString ProgramDirectory();

// Makes ProgramDirectory answer dir instead (tests place their files there); an empty dir restores it.
void SetProgramDirectory(const QString& dir);

// A shared library loaded by full path for as long as the object lives.
class TDynamicLibrary {
public:
    TDynamicLibrary() = default;
    explicit TDynamicLibrary(const QString& path);
    ~TDynamicLibrary();
    TDynamicLibrary(TDynamicLibrary&& other) noexcept;
    TDynamicLibrary& operator=(TDynamicLibrary&& other) noexcept;
    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    bool IsLoaded() const { return FHandle != nullptr; }
    // Address of an export, or null.
    void* Symbol(const char* name) const;

    template <typename TFunction> TFunction Function(const char* name) const {
        return reinterpret_cast<TFunction>(Symbol(name));
    }

private:
    void Unload();
    void* FHandle = nullptr;
};

// The shell's "open" action on a local file path or a URL (http:, mailto:). The windowed program installs
// the real handler; until then nothing is opened, so the core and its tests never start other programs.
using TShellOpenHandler = std::function<void(const QString& target)>;
void SetShellOpenHandler(TShellOpenHandler handler);
void ShellOpen(const QString& target);

// The local date and time.
QDateTime LocalNow();

} // namespace platform
