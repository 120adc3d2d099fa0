#include "uSaveFile.h"

#include "TFailure.h"

#include <QDir>
#include <QFileInfo>

QString MessagePath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

void OpenReplacement(QSaveFile& file) {
    if (!file.open(QIODevice::WriteOnly)) {
        throw TFailure(
            QStringLiteral("Cannot create file \"%1\". %2").arg(MessagePath(file.fileName()), file.errorString()));
    }
}

bool FlushAndCommit(QSaveFile& file) {
    return file.flush() && file.commit();
}

void CommitReplacement(QSaveFile& file) {
    if (!FlushAndCommit(file)) {
        throw TFailure(QStringLiteral("Stream write error"));
    }
}
