// The files the editor keeps in its own folder (its logs, toolbar layout,
// task list, bookmarks, "Common/Temp" and the rest), for a user who may not
// write that folder: an installed editor folder belongs to the superuser
// and is read-only for everyone else, and one folder shared by several
// users would mix their files.
//
// When this user owns the editor folder and may write it, its files are
// the folder's own. Otherwise the user's store stands in for the folder:
// "$XDG_STATE_HOME/kestrin/editor" (an absolute XDG_STATE_HOME only), else
// "~/.local/state/kestrin/editor", private to the user. A file is then
// written into the store under its path below the editor folder, and read
// from the store first, then from the editor folder (so that what the
// install brings, a word list or a layout, stays readable until the user
// has one of their own).
//
// The editor folder is the component's (componentIdentity().folder).
#pragma once

#include <string>

namespace platform {

// The user's store of the editor folder's files; "" when the editor
// folder's own files are this user's (or the editor folder is unknown).
std::string editorStoreFolder();

// The store's place, whether in use or not (the folder need not exist).
std::string userEditorStore();

// Where the file at relative (a path below the editor folder, "/" between
// levels) is read: the store's copy when there is one, else the editor
// folder's.
std::string editorFileToRead(const std::string& relative);

// Where the file at relative is written (or deleted): in the store when it
// is in use, with the folders above it made; else in the editor folder.
// A store that cannot be made is said once on standard error (with the
// reason) and the store's path is still given, so that the write that
// follows fails with the file error it meets.
std::string editorFileToWrite(const std::string& relative);

// Where the folder at relative is written into: the store's, made private
// to the user with the folders above it, when the store is in use (a
// folder that cannot be made is said as for a file); else the editor
// folder's own.
std::string editorFolderToWrite(const std::string& relative);

}  // namespace platform
