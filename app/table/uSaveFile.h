#pragma once

// Replacing a file safely: everything is written to a temporary file beside it, which takes the file's place
// only once all of it has reached the disk. On any failure the old file stays as it was.

#include <QSaveFile>
#include <QString>

// The full path a file message names.
QString MessagePath(const QString& path);

// Opens file (a QSaveFile on the target path) for writing. Throws TFailure "Cannot create file "%s". %s".
void OpenReplacement(QSaveFile& file);

// Puts what was written in the target's place. QSaveFile::commit renames the temporary file even when its
// last flush wrote only part of the buffered bytes, so the flush is checked first. False when not everything
// reached the disk; the target then keeps its old content.
bool FlushAndCommit(QSaveFile& file);

// FlushAndCommit, throwing TFailure "Stream write error" when it fails.
void CommitReplacement(QSaveFile& file);
