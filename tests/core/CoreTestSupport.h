#pragma once

// A program directory of its own for each test: a temporary folder that ProgramDirectory answers, with or
// without a copy of the engine library, and the errors and shell requests the core produced.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TProgramFolder {
public:
    enum class TEngine { Present, Missing, NotALibrary, WithoutExports };

    explicit TProgramFolder(TEngine engine = TEngine::Present);
    ~TProgramFolder();
    TProgramFolder(const TProgramFolder&) = delete;
    TProgramFolder& operator=(const TProgramFolder&) = delete;

    QString Path() const { return FDir.path(); }
    QString FilePath(const QString& name) const { return FDir.filePath(name); }

    QStringList Errors;      // texts shown by ShowError
    QStringList ShellOpened; // targets of the shell's open action

private:
    QTemporaryDir FDir;
};
