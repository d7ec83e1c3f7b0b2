// Point sequences of the curve generators: IGfxPtSource3 reads an ordered
// sequence of 3-D points with a word of option bits, IGfxPtDestination3 also
// writes it. IGfxPtDestination3Imp keeps the points in a record list, so one
// object can be filled by one generator and read by the next.
//
// Option bits: kGfxPtClosed (the points form a ring) and kGfxPtNoWrap
// (indexes past the end are refused instead of read modulo the count); the
// other bits are the client's. Results are the ZR_* codes; TestOptions
// answers ZR_OK for yes and ZR_NO for no. Operations are in their slot order.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/StdInterface.h"

#include <cstdint>

struct IRecList;

inline constexpr uint32_t kGfxPtClosed = 0x1;
inline constexpr uint32_t kGfxPtNoWrap = 0x2;

struct ZEF_EXPORT IGfxPtSource3 : virtual IStdDataInterface {
  // ZR_OK when every bit of `bits` is set.
  virtual ZRESULT TestOptions(uint32_t bits) = 0;
  virtual ZRESULT ChangeOptions(uint32_t bits, bool on) = 0;
  virtual ZRESULT GetOptions(uint32_t* out) = 0;
  virtual ZRESULT SetOptions(uint32_t options) = 0;
  virtual ZRESULT GetCount(uint32_t* out) = 0;
  // Without kGfxPtNoWrap the index is taken modulo the count; ZR_BADARG for an
  // index out of range, an empty sequence or a null out.
  virtual ZRESULT GetPoint(uint32_t index, tagT_POINT3D* out) = 0;
  // Per axis the smallest and largest coordinate; zeros for no point.
  virtual ZRESULT GetBounds(tagT_POINT3D* min, tagT_POINT3D* max) = 0;
  ~IGfxPtSource3() override;
};

struct ZEF_EXPORT IGfxPtDestination3 : IGfxPtSource3 {
  // 0: the sequence may be changed.
  virtual ZRESULT CheckWritable() = 0;
  // Appends (0, 0, 0) points or drops the tail; 30 (count unchanged) when
  // the new points cannot be had.
  virtual ZRESULT SetCount(uint32_t count) = 0;
  virtual ZRESULT SetPoint(uint32_t index, const tagT_POINT3D* point) = 0;
  virtual ZRESULT AddPoint(const tagT_POINT3D* point) = 0;
  virtual ZRESULT Grow(uint32_t count) = 0;
  // Copies the points, then the source's closed and no-wrap bits.
  virtual ZRESULT CopyFrom(IGfxPtSource3* source) = 0;
  ~IGfxPtDestination3() override;
};

class ZEF_EXPORT IGfxPtDestination3Imp : public IStdDataInterfaceImp, public virtual IGfxPtDestination3 {
public:
  IGfxPtDestination3Imp();
  ~IGfxPtDestination3Imp() override;

  // ZR_NOTSUPPORTED for every identifier, *out untouched.
  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT TestOptions(uint32_t bits) override;
  ZRESULT ChangeOptions(uint32_t bits, bool on) override;
  ZRESULT GetOptions(uint32_t* out) override;
  ZRESULT SetOptions(uint32_t options) override;
  ZRESULT GetCount(uint32_t* out) override;
  ZRESULT GetPoint(uint32_t index, tagT_POINT3D* out) override;
  ZRESULT GetBounds(tagT_POINT3D* min, tagT_POINT3D* max) override;
  ZRESULT CheckWritable() override;
  ZRESULT SetCount(uint32_t count) override;
  ZRESULT SetPoint(uint32_t index, const tagT_POINT3D* point) override;
  ZRESULT AddPoint(const tagT_POINT3D* point) override;
  ZRESULT Grow(uint32_t count) override;
  ZRESULT CopyFrom(IGfxPtSource3* source) override;

private:
  // The list index for `index`, or false when it is out of range.
  bool resolve(uint32_t index, uint32_t* at);

  uint32_t options_ = 0;
  IRecList* points_ = nullptr;  // tagT_POINT3D records; owned, may be null
};
