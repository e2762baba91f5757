#include "support/CFile.h"

#include <vector>

#include "diagnostics/class_error.h"
#include "platform/com/bstr.h"
#include "platform/runtime/checked_int.h"
#include "platform/runtime/files.h"
#include "platform/runtime/strings.h"
#include "platform/win32/files.h"

namespace kestrin::support {

namespace com = platform::com;

namespace {

inline constexpr diagnostics::ClassErrors kFileErrors{"CFile", 17427};

// The class makes itself creatable through the component's server.
[[maybe_unused]] const bool g_served = [] {
  typelib::componentServer().add<CFileObject>("CFile");
  return true;
}();

const char* const kNotInitialized =
    "Object not properly initialized. Set the PathFileName property to a non-empty value first";
const char* const kInvalidFileName = "Invalid file name";
const char* const kFileNotFound = "File not found";

// A character position held as a 16-bit number, as the name parts keep
// them: a position whose next character cannot be counted (32767 and
// beyond) overflows.
platform::Int16 position16(int32_t position) {
  const platform::Int16 at(position);
  (void)(at + platform::Int16(int16_t{1}));
  return at;
}

com::VARIANT_BOOL variantBool(bool value) { return value ? com::VARIANT_TRUE : com::VARIANT_FALSE; }

}  // namespace

const com::BindingTable<CFileObject>& CFileObject::bindings() {
  using T = CFileObject;
  static const com::BindingTable<T> table(typelib::library().findInterface("_CFile"),
                                          {
                                              com::method<&T::init>(0x60030009),
                                              com::propertyGet<&T::getAttributes>(0x68030008),
                                              com::propertyLet<&T::letContents>(0x68030007),
                                              com::propertyGet<&T::getContents>(0x68030007),
                                              com::propertyGet<&T::getFileName>(0x68030006),
                                              com::propertyGet<&T::getFileExt>(0x68030005),
                                              com::propertyGet<&T::getFilePath>(0x68030004),
                                              com::propertyLet<&T::letPathFileName>(0x68030003),
                                              com::propertyGet<&T::getPathFileName>(0x68030003),
                                              com::propertyGet<&T::getReadOnly>(0x68030002),
                                              com::propertyGet<&T::getShortFileName>(0x68030001),
                                              com::propertyGet<&T::getSize>(0x68030000),
                                              com::method<&T::copy>(0x6003000a),
                                              com::method<&T::remove>(0x6003000b),
                                              com::method<&T::exists>(0x6003000c),
                                              com::method<&T::identicalWith>(0x6003000d),
                                              com::method<&T::move>(0x6003000e),
                                          });
  return table;
}

// ---- Shared checks ------------------------------------------------------------

void CFile::needPath() const {
  if (path_.empty()) kFileErrors.raise(17421, kNotInitialized);
}

void CFile::needFile() const {
  if (!fileExists(path_)) kFileErrors.raise(17423, kFileNotFound);
}

bool CFile::fileExists(const std::string& path) {
  platform::WIN32_FIND_DATA found;
  const platform::HANDLE search = platform::FindFirstFile(path, found);
  if (search == platform::INVALID_HANDLE_VALUE) return false;
  // A search that cannot be closed is a failure of the member.
  if (!platform::FindClose(search)) kFileErrors.raiseCatchAll();
  return true;
}

// ---- Path ---------------------------------------------------------------------

void CFile::Init(const std::string& PathFileName) {
  kFileErrors.member([&] {
    if (PathFileName.empty()) kFileErrors.raise(17422, kInvalidFileName);
    path_ = PathFileName;
  });
}

// ---- Questions about the file ---------------------------------------------------

int32_t CFile::Attributes() const {
  return kFileErrors.member([&] {
    needPath();
    platform::WIN32_FIND_DATA found;
    const platform::HANDLE search = platform::FindFirstFile(path_, found);
    if (search == platform::INVALID_HANDLE_VALUE) kFileErrors.raise(17423, kFileNotFound);
    platform::FindClose(search);  // its result is not looked at here
    return static_cast<int32_t>(found.dwFileAttributes);
  });
}

bool CFile::ReadOnly() const {
  return kFileErrors.member([&] {
    needPath();
    platform::WIN32_FIND_DATA found;
    const platform::HANDLE search = platform::FindFirstFile(path_, found);
    if (search == platform::INVALID_HANDLE_VALUE) kFileErrors.raise(17423, kFileNotFound);
    platform::FindClose(search);
    return (found.dwFileAttributes & platform::FILE_ATTRIBUTE_READONLY) != 0;
  });
}

int32_t CFile::Size() const {
  return kFileErrors.member([&] {
    needPath();
    needFile();
    return platform::toLongChecked(platform::fileLen(path_));
  });
}

std::string CFile::ShortFileName() const {
  return kFileErrors.member([&] {
    needPath();
    needFile();
    const int32_t size = platform::toLongChecked(static_cast<int64_t>(path_.size()) + 1);
    std::string buffer(static_cast<size_t>(size), '\0');
    platform::GetShortPathName(path_, buffer.data(), static_cast<platform::DWORD>(size));
    return std::string(buffer.c_str());
  });
}

bool CFile::Exists() const {
  return kFileErrors.member([&] {
    needPath();
    return fileExists(path_);
  });
}

// ---- Name parts -----------------------------------------------------------------

std::string CFile::FileName() const {
  return kFileErrors.member([&] {
    needPath();
    const platform::Int16 slash = position16(platform::inStrRev(path_, "/"));
    const std::string name =
        slash.value() == 0 ? path_ : platform::mid(path_, (slash + platform::Int16(int16_t{1})).value());
    // The last "." of the whole path, the folders included.
    const platform::Int16 dot = position16(platform::inStrRev(path_, "."));
    if (dot.value() == 0) return name;
    const platform::Int16 keep = dot - platform::Int16(int16_t{1});
    if (keep.value() >= platform::len(name)) return name;
    return platform::left(name, keep.value());
  });
}

std::string CFile::FileExt() const {
  return kFileErrors.member([&] {
    needPath();
    const platform::Int16 dot = position16(platform::inStrRev(path_, "."));
    if (dot.value() == 0) return std::string();
    return platform::right(path_, platform::subLong(platform::len(path_), dot.value()));
  });
}

std::string CFile::FilePath() const {
  return kFileErrors.member([&] {
    needPath();
    const std::string name = FileName();
    const int32_t count = platform::subLong(platform::subLong(platform::len(path_), platform::len(name)), 1);
    // A negative count (a bare name without extension) fails as Left does.
    return platform::left(path_, count);
  });
}

// ---- Text -----------------------------------------------------------------------

void CFile::setContents(const std::string& text) {
  kFileErrors.member([&] {
    needPath();
    platform::RuntimeFile file(path_, platform::OpenMode::Output);
    file.print(text);
    file.close();
  });
}

std::string CFile::Contents() const {
  return kFileErrors.member([&] {
    needPath();
    needFile();
    platform::RuntimeFile file(path_, platform::OpenMode::Input);
    std::string text;
    bool first = true;
    while (!file.eof()) {
      const std::string line = file.lineInput();
      if (!first) text += "\r\n";
      text += line;
      first = false;
    }
    file.close();
    return text;
  });
}

// ---- Copy, move, delete -----------------------------------------------------------

void CFile::Copy(const std::string& NewFileName) const {
  kFileErrors.member([&] {
    needPath();
    if (NewFileName.empty()) kFileErrors.raise(17422, kInvalidFileName);
    needFile();
    if (!platform::CopyFile(platform::trim(path_), platform::trim(NewFileName), 0))
      kFileErrors.raise(17424, "File copy failed");
  });
}

void CFile::Move(const std::string& NewFileName) const {
  kFileErrors.member([&] {
    needPath();
    if (NewFileName.empty()) kFileErrors.raise(17422, kInvalidFileName);
    needFile();
    if (!platform::MoveFile(platform::trim(path_), platform::trim(NewFileName)))
      kFileErrors.raise(17425, "File move failed");
  });
}

void CFile::Delete() const {
  kFileErrors.member([&] {
    needPath();
    needFile();
    if (!platform::DeleteFile(platform::trim(path_))) kFileErrors.raise(17426, "File delete failed");
  });
}

// ---- Comparison -------------------------------------------------------------------

bool CFile::IdenticalWith(const std::string& ReferenceFileName) const {
  return kFileErrors.member([&] {
    needPath();
    if (ReferenceFileName.empty()) kFileErrors.raise(17422, kInvalidFileName);
    needFile();
    if (!fileExists(ReferenceFileName)) kFileErrors.raise(17423, kFileNotFound);
    // The same name needs no file at all.
    if (ReferenceFileName == path_) return true;

    platform::RuntimeFile mine(path_, platform::OpenMode::Binary, platform::FileAccess::Read);
    platform::RuntimeFile theirs(ReferenceFileName, platform::OpenMode::Binary, platform::FileAccess::Read);
    const int64_t length = mine.length();
    bool identical = length == theirs.length();
    if (identical) {
      std::vector<uint8_t> a(kCompareBlock), b(kCompareBlock);
      const int64_t blocks = length / kCompareBlock;
      for (int64_t i = 0; i < blocks && identical; ++i) {
        const int64_t at = i * kCompareBlock;
        const size_t gotA = mine.get(at, a.data(), kCompareBlock);
        const size_t gotB = theirs.get(at, b.data(), kCompareBlock);
        identical = gotA == gotB && a == b;
      }
      const size_t rest = static_cast<size_t>(length % kCompareBlock);
      if (identical && rest > 0) {
        const int64_t at = blocks * kCompareBlock;
        a.assign(rest, 0);
        b.assign(rest, 0);
        const size_t gotA = mine.get(at, a.data(), rest);
        const size_t gotB = theirs.get(at, b.data(), rest);
        identical = gotA == gotB && a == b;
      }
    }
    mine.close();
    theirs.close();
    return identical;
  });
}

// ---- Early-bound ------------------------------------------------------------------

com::HRESULT CFileObject::Init(BSTR* PathFileName) {
  if (!PathFileName) return com::E_POINTER;
  return early([&] { file_.Init(com::toString(*PathFileName)); });
}
com::HRESULT CFileObject::put_PathFileName(BSTR* value) {
  if (!value) return com::E_POINTER;
  return early([&] { file_.Init(com::toString(*value)); });
}
com::HRESULT CFileObject::get_PathFileName(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(file_.PathFileName()); });
}
com::HRESULT CFileObject::get_Attributes(typelib::EFileAttributes* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = static_cast<typelib::EFileAttributes>(file_.Attributes()); });
}
com::HRESULT CFileObject::put_Contents(BSTR* value) {
  if (!value) return com::E_POINTER;
  return early([&] { file_.setContents(com::toString(*value)); });
}
com::HRESULT CFileObject::get_Contents(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(file_.Contents()); });
}
com::HRESULT CFileObject::get_FileName(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(file_.FileName()); });
}
com::HRESULT CFileObject::get_FileExt(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(file_.FileExt()); });
}
com::HRESULT CFileObject::get_FilePath(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(file_.FilePath()); });
}
com::HRESULT CFileObject::get_ReadOnly(VARIANT_BOOL* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = variantBool(file_.ReadOnly()); });
}
com::HRESULT CFileObject::get_ShortFileName(BSTR* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = com::bstrFrom(file_.ShortFileName()); });
}
com::HRESULT CFileObject::get_Size(int32_t* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = file_.Size(); });
}
com::HRESULT CFileObject::Copy(BSTR* NewFileName) {
  if (!NewFileName) return com::E_POINTER;
  return early([&] { file_.Copy(com::toString(*NewFileName)); });
}
com::HRESULT CFileObject::Delete() {
  return early([&] { file_.Delete(); });
}
com::HRESULT CFileObject::Exists(VARIANT_BOOL* result) {
  if (!result) return com::E_POINTER;
  return early([&] { *result = variantBool(file_.Exists()); });
}
com::HRESULT CFileObject::IdenticalWith(BSTR* ReferenceFileName, VARIANT_BOOL* result) {
  if (!ReferenceFileName || !result) return com::E_POINTER;
  return early([&] { *result = variantBool(file_.IdenticalWith(com::toString(*ReferenceFileName))); });
}
com::HRESULT CFileObject::Move(BSTR* NewFileName) {
  if (!NewFileName) return com::E_POINTER;
  return early([&] { file_.Move(com::toString(*NewFileName)); });
}

}  // namespace kestrin::support
