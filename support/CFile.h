// CFile: one file named by a path. It answers questions about the file
// (attribute bits, read-only flag, size, short path form, existence,
// whether another file holds the same bytes), splits the path into name
// parts, reads and writes the whole text, and copies, moves and deletes the
// file. Inside the editor a CFile is made for a moment where a path's
// attributes or folder are needed; CFileObject is the same as a public
// class of the component, creatable by its class identity and callable
// early-bound through _CFile or late-bound through Invoke, where the
// errors reach the caller with their numbers.
//
// The object keeps nothing but the path: no file stays open between calls
// and every member goes to the file system afresh. It does not trace.
//
// Errors (0x80040000 + n, source "<component>.CFile"):
//   17421 "Object not properly initialized. Set the PathFileName property to
//         a non-empty value first"   every member but Init and PathFileName
//                                    while the path is empty
//   17422 "Invalid file name"        an empty path or file name argument
//   17423 "File not found"           the file (or the reference file) is missing
//   17424 "File copy failed", 17425 "File move failed",
//   17426 "File delete failed"       the platform refused
//   17427 "CFile component failure"  anything else (the cause is dropped)
// Checks run in the order each member lists; the first that applies wins.
//
// Name parts are computed from the text of the path alone (see FileName):
// with "/" as the separator the rules give the folder for a script in a
// named folder, but odd results elsewhere ("C:/my.dir/readme" has the
// FileName "readm"; "/x.vbs", directly in the root folder, gets the FileName
// "x." and the FilePath "/x."). Character positions are 16-bit, so a "/" or
// "." at position 32767 or beyond fails with 17427.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/dispatch.h"
#include "typelib/interfaces.h"
#include "typelib/typelib.h"

namespace kestrin::support {

class CFile {
 public:
  // The size of the blocks IdenticalWith compares.
  static constexpr int32_t kCompareBlock = 16384;

  // Stores the path; an empty text raises 17422 and keeps the old one.
  void Init(const std::string& PathFileName);
  void setPathFileName(const std::string& PathFileName) { Init(PathFileName); }
  const std::string& PathFileName() const { return path_; }

  // The attribute bits of the first entry the lookup finds (a wildcard
  // pattern's first match), bits without a name included; 17423 when
  // nothing is found.
  int32_t Attributes() const;
  // The read-only bit (1) of Attributes.
  bool ReadOnly() const;
  // The file's length in bytes.
  int32_t Size() const;
  // The short path form ("" when the platform wrote nothing).
  std::string ShortFileName() const;

  // The text after the last "/" (all of the path without one), cut to the
  // first d - 1 characters where d is the position of the last "." in the
  // whole path (not in the name), unless there is no "." or d - 1 reaches
  // the name's length.
  std::string FileName() const;
  // The text after the last "." of the whole path ("" without one).
  std::string FileExt() const;
  // The first L - Len(FileName) - 1 characters of the path; a negative
  // count raises 17427 (a bare name without extension).
  std::string FilePath() const;

  // Writes the text followed by CR LF, creating or emptying the file.
  void setContents(const std::string& text);
  // The file's lines (ended by CR LF or a lone CR; a lone LF stays inside
  // its line) joined by CR LF, without a line end after the last.
  std::string Contents() const;

  // The lookup of the path unchanged: a file or folder named without a
  // trailing "/", or a pattern with "*" or "?" matching any entry.
  bool Exists() const;
  // Copies to NewFileName, replacing an existing target; Move refuses an
  // existing target; Delete removes the file. The existence check uses the
  // stored path as it is; the platform gets both names trimmed of blanks.
  // The stored path stays the source's.
  void Copy(const std::string& NewFileName) const;
  void Move(const std::string& NewFileName) const;
  void Delete() const;
  // True when ReferenceFileName is the stored path character for character
  // (no file is opened), else when both files have the same length and the
  // same bytes, compared in blocks of 16384 bytes up to the first block
  // that differs.
  bool IdenticalWith(const std::string& ReferenceFileName) const;

 private:
  void needPath() const;
  void needFile() const;
  static bool fileExists(const std::string& path);

  std::string path_;
};

// CFile as a public class of the component, registered with the
// component's server under "CFile".
class CFileObject final : public platform::com::DispatchObject<CFileObject, typelib::_CFile> {
 public:
  using HRESULT = platform::com::HRESULT;
  using BSTR = platform::com::BSTR;
  using VARIANT_BOOL = platform::com::VARIANT_BOOL;

  static const platform::com::BindingTable<CFileObject>& bindings();

  CFile& file() { return file_; }

  // The late-bound members, as Invoke calls them (strings by reference).
  void init(std::string& PathFileName) { file_.Init(PathFileName); }
  int32_t getAttributes() { return file_.Attributes(); }
  void letContents(std::string& text) { file_.setContents(text); }
  std::string getContents() { return file_.Contents(); }
  std::string getFileName() { return file_.FileName(); }
  std::string getFileExt() { return file_.FileExt(); }
  std::string getFilePath() { return file_.FilePath(); }
  void letPathFileName(std::string& value) { file_.Init(value); }
  std::string getPathFileName() { return file_.PathFileName(); }
  bool getReadOnly() { return file_.ReadOnly(); }
  std::string getShortFileName() { return file_.ShortFileName(); }
  int32_t getSize() { return file_.Size(); }
  void copy(std::string& NewFileName) { file_.Copy(NewFileName); }
  void remove() { file_.Delete(); }
  bool exists() { return file_.Exists(); }
  bool identicalWith(std::string& ReferenceFileName) { return file_.IdenticalWith(ReferenceFileName); }
  void move(std::string& NewFileName) { file_.Move(NewFileName); }

  // _CFile, early-bound; a null argument or result pointer gives E_POINTER.
  HRESULT Init(BSTR* PathFileName) override;
  HRESULT get_Attributes(typelib::EFileAttributes* result) override;
  HRESULT put_Contents(BSTR* value) override;
  HRESULT get_Contents(BSTR* result) override;
  HRESULT get_FileName(BSTR* result) override;
  HRESULT get_FileExt(BSTR* result) override;
  HRESULT get_FilePath(BSTR* result) override;
  HRESULT put_PathFileName(BSTR* value) override;
  HRESULT get_PathFileName(BSTR* result) override;
  HRESULT get_ReadOnly(VARIANT_BOOL* result) override;
  HRESULT get_ShortFileName(BSTR* result) override;
  HRESULT get_Size(int32_t* result) override;
  HRESULT Copy(BSTR* NewFileName) override;
  HRESULT Delete() override;
  HRESULT Exists(VARIANT_BOOL* result) override;
  HRESULT IdenticalWith(BSTR* ReferenceFileName, VARIANT_BOOL* result) override;
  HRESULT Move(BSTR* NewFileName) override;

 private:
  CFile file_;
};

}  // namespace kestrin::support
