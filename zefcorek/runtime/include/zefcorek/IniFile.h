// IIniFile: typed reads and writes of one ini file.
//
// The object holds only the file's path; every call goes to the platform's
// private-profile functions, which read and write the file itself, so there
// is nothing to load, save or cache. Made by the factory
// (CLSID_IIniFileImp) with one reference.
#pragma once

#include "zefcorek/StdInterface.h"

#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

struct ZEF_EXPORT IIniFile : virtual IStdInterface {
  // Stores the path (null = empty); 0.
  virtual HRESULT SetFileName(const WCHAR* path) = 0;
  // The stored path, valid until the next SetFileName.
  virtual const WCHAR* GetFileName() = 0;
  // The leading integer of the value; `defaultValue` when it is missing.
  virtual int ReadInteger(const WCHAR* section, const WCHAR* key, int defaultValue) = 0;
  // Writes the value as "%d"; S_OK or E_FAIL.
  virtual HRESULT WriteInteger(const WCHAR* section, const WCHAR* key, int value) = 0;
  // The value (at most 1,022 characters) or `defaultValue` when missing.
  virtual CLWideStr ReadString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue) = 0;
  // S_OK, or E_FAIL when the file cannot be written.
  virtual HRESULT WriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value) = 0;
  // Any nonzero integer is true; a missing key gives the default.
  virtual bool ReadBool(const WCHAR* section, const WCHAR* key, bool defaultValue) = 0;
  // Writes "1" or "0".
  virtual HRESULT WriteBool(const WCHAR* section, const WCHAR* key, bool value) = 0;
  // The value read with "%lf"; the default when missing or not a number.
  virtual double ReadFloat(const WCHAR* section, const WCHAR* key, double defaultValue) = 0;
  // Writes the value as "%lf" (2.5 as 2.500000).
  virtual HRESULT WriteFloat(const WCHAR* section, const WCHAR* key, double value) = 0;
  // Writes the value with `format` (null = "%lf"), whose one argument is
  // the double.
  virtual HRESULT WriteFloatFmt(const WCHAR* section, const WCHAR* key, double value, const WCHAR* format) = 0;
  // Removes the section and its keys.
  virtual HRESULT EraseSection(const WCHAR* section) = 0;
  ~IIniFile() override;
};

class ZEF_EXPORT IIniFileImp : public IStdInterfaceImp, public virtual IIniFile {
public:
  IIniFileImp() = default;

  // Answers ZR_NOTSUPPORTED for every identifier and leaves `out` untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  HRESULT SetFileName(const WCHAR* path) override;
  const WCHAR* GetFileName() override;
  int ReadInteger(const WCHAR* section, const WCHAR* key, int defaultValue) override;
  HRESULT WriteInteger(const WCHAR* section, const WCHAR* key, int value) override;
  CLWideStr ReadString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue) override;
  HRESULT WriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value) override;
  bool ReadBool(const WCHAR* section, const WCHAR* key, bool defaultValue) override;
  HRESULT WriteBool(const WCHAR* section, const WCHAR* key, bool value) override;
  double ReadFloat(const WCHAR* section, const WCHAR* key, double defaultValue) override;
  HRESULT WriteFloat(const WCHAR* section, const WCHAR* key, double value) override;
  HRESULT WriteFloatFmt(const WCHAR* section, const WCHAR* key, double value, const WCHAR* format) override;
  HRESULT EraseSection(const WCHAR* section) override;
  ~IIniFileImp() override;

private:
  CLWideStr path_;  // the file every call goes to; empty after construction
};
