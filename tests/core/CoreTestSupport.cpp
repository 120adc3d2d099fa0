#include "CoreTestSupport.h"

#include "TestPaths.h"
#include "uForexAPI.h"

#include <QFile>

TProgramFolder::TProgramFolder(TEngine engine) {
    const QString enginePath = FDir.filePath(QString::fromLatin1(platform::EngineLibraryName));
    switch (engine) {
    case TEngine::Present:
        QFile::copy(QString::fromLatin1(EngineLibraryPath), enginePath);
        break;
    case TEngine::Missing:
        break;
    case TEngine::NotALibrary: {
        QFile file(enginePath);
        file.open(QIODevice::WriteOnly);
        file.write("this is a text file, not a shared library\n");
        break;
    }
    case TEngine::WithoutExports:
#ifdef ENGINE_WITHOUT_EXPORTS_PATH
        QFile::copy(QStringLiteral(ENGINE_WITHOUT_EXPORTS_PATH), enginePath);
#endif
        break;
    }
    platform::SetProgramDirectory(FDir.path());
    SetErrorSink([this](const QString& text) { Errors << text; });
    platform::SetShellOpenHandler([this](const QString& target) { ShellOpened << target; });
}

TProgramFolder::~TProgramFolder() {
    platform::SetProgramDirectory({});
    SetErrorSink({});
    platform::SetShellOpenHandler({});
}
