// The object factories: zefCoreKAllocIntf by class identifier, and the
// message library's msglibAllocIntf.
//
// The table lists every class the library makes, in the order of comparison.
// A row whose class is not part of this build has a null maker (see
// ClassMakers.h) and answers E_NOINTERFACE like an unknown identifier.
#include "zefcorek/ZefCoreK.h"

#include "Allocation.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"

#include <cstddef>
#include <iterator>

namespace {

using ClassMaker = void* (*)(intptr_t arg);

struct FactoryRow {
  const CLSID* classId;
  ClassMaker make;  // null while the class is not built
};

// Constant-initialised: the table needs no code to run at load time.
const FactoryRow kFactoryTable[] = {
    {&CLSID_IFIOIStreamImp, &zefcorek::makeIFIOIStreamImp},
    {&CLSID_IFIOOStreamImp, &zefcorek::makeIFIOOStreamImp},
    {&CLSID_IFIOIBufferedStreamImp, &zefcorek::makeIFIOIBufferedStreamImp},
    {&CLSID_IFIOHGlobalOStreamImp, &zefcorek::makeIFIOHGlobalOStreamImp},
    {&CLSID_IFIOHGlobalIStreamImp, &zefcorek::makeIFIOHGlobalIStreamImp},
    {&CLSID_IIniFileImp, &zefcorek::makeIIniFileImp},
    {&CLSID_IPtrListImp, &zefcorek::makeIPtrListImp},
    {&CLSID_IRecListImp, &zefcorek::makeIRecListImp},
    {&CLSID_IStringListImp, &zefcorek::makeIStringListImp},
    {&CLSID_IStringListImpLegacy, &zefcorek::makeIStringListImp},
    {&CLSID_IPtrArrayImp, &zefcorek::makeIPtrArrayImp},
    {&CLSID_ITaggedValSetImp, &zefcorek::makeITaggedValSetImp},
    {&CLSID_IHashTableImp, &zefcorek::makeIHashTableImp},
    {&CLSID_IBinaryHeapImp, &zefcorek::makeIBinaryHeapImp},
    {&CLSID_IKeyedBinaryHeapImp, &zefcorek::makeIKeyedBinaryHeapImp},
    {&CLSID_IPlaneFitImp, &zefcorek::makeIPlaneFitImp},
    {&CLSID_ISerialPortImp, &zefcorek::makeISerialPortImp},
    {&CLSID_IBluetoothConnectionImp, &zefcorek::makeIBluetoothConnectionImp},
    {&CLSID_IBluetoothHelperImp, &zefcorek::makeIBluetoothHelperImp},
    {&CLSID_IWinRegistryImp, &zefcorek::makeIWinRegistryImp},
    {&CLSID_IWlanHelperImp, &zefcorek::makeIWlanHelperImp},
    {&CLSID_ITCPConnectionImp, &zefcorek::makeITCPConnectionImp},
    {&CLSID_IUDPConnectionImp, &zefcorek::makeIUDPConnectionImp},
    {&CLSID_IGfxZoomerImp, &zefcorek::makeIGfxZoomerImp},
    {&CLSID_IGfxRotoTransImp, &zefcorek::makeIGfxRotoTransImp},
    {&CLSID_IGfxBSplineImp, &zefcorek::makeIGfxBSplineImp},
    {&CLSID_IGfxPtDestination3Imp, &zefcorek::makeIGfxPtDestination3Imp},
    {&CLSID_IMessageLoaderImp, &zefcorek::makeIMessageLoaderImp},
    {&CLSID_INetDetectImp, &zefcorek::makeINetDetectImp},
    {&CLSID_INetInternetSessionImp, &zefcorek::makeINetInternetSessionImp},
    {&CLSID_IFIImgIOProviderImp, &zefcorek::makeIFIImgIOProviderImp},
    {&CLSID_IFIRasterImageImp, &zefcorek::makeIFIRasterImageImp},
    {&CLSID_IPDFImgExtractorImp, &zefcorek::makeIPDFImgExtractorImp},
    {&CLSID_IHatchRegistryImp, &zefcorek::makeIHatchRegistryImp},
    {&CLSID_IHatchHandlerACADCompImp, &zefcorek::makeIHatchHandlerACADCompImp},
    {&CLSID_IDisplayListImp, &zefcorek::makeIDisplayListImp},
    {&CLSID_IZefCodesDBImp, &zefcorek::makeIZefCodesDBImp},
    {&CLSID_IZefObjsWithCodeDBImp, &zefcorek::makeIZefObjsWithCodeDBImp},
    {&CLSID_IZefCodesRenamingDBImp, &zefcorek::makeIZefCodesRenamingDBImp},
    {&CLSID_ICSVIOMgrImp, &zefcorek::makeICSVIOMgrImp},
    {&CLSID_IDBFImp, &zefcorek::makeIDBFImp},
};
static_assert(std::size(kFactoryTable) == 41);

// The maker of the first row whose identifier matches, or null.
const FactoryRow* findRow(const GUID& classId) {
  for (const FactoryRow& row : kFactoryTable) {
    if (*row.classId == classId) return &row;
  }
  return nullptr;
}

// Runs a maker; no exception leaves the library, and a maker that fails for
// any reason leaves *out null with E_NOINTERFACE.
HRESULT makeObject(ClassMaker make, void** out, intptr_t arg) {
  if (make == nullptr) return E_NOINTERFACE;
  // Every object the factory makes counts as one allocation of the runtime,
  // so the allocation test seam can make any class fail to be made.
  if (!zefcorek::allocationAllowed()) return E_NOINTERFACE;
  try {
    *out = make(arg);
  } catch (...) {
    *out = nullptr;
  }
  return *out != nullptr ? S_OK : E_NOINTERFACE;
}

}  // namespace

HRESULT zefCoreKAllocIntf(const GUID* classId, void** out, intptr_t arg) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  // A null identifier is a caller's mistake, not a lookup that failed.
  if (classId == nullptr) return E_INVALIDARG;
  const FactoryRow* row = findRow(*classId);
  if (row == nullptr) return E_NOINTERFACE;
  return makeObject(row->make, out, arg);
}

HRESULT msglibAllocIntf(const GUID* classId, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (classId == nullptr) return E_INVALIDARG;
  if (*classId != CLSID_MsgLibMessageLoader) return E_NOINTERFACE;
  return makeObject(&zefcorek::makeIMessageLoaderImp, out, 0);
}
