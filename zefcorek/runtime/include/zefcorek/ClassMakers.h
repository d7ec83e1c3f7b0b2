// How the factory reaches the classes it makes. Internal to libzefcorek.so:
// nothing here is exported.
//
// Each row of the factory table names one maker function below. A maker is
// declared weak: until a class is built, its maker is not defined anywhere,
// the linker leaves the reference null, and the factory answers
// E_NOINTERFACE for that row. A class fills its row by defining its maker in
// its own source file (include this header there):
//
//   void* zefcorek::makeIPtrListImp(intptr_t) {
//     return static_cast<IPtrList*>(new (std::nothrow) IPtrListImp());
//   }
//
// A maker constructs the object (passing `arg` on where its constructor takes
// the factory's argument, ignoring it otherwise) and returns the interface
// pointer the caller receives: the requested interface part of the object, or
// the object's own address for classes that sit directly on IUnknown. It
// returns null when the object cannot be made, and must not throw.
#pragma once

#include <cstdint>

#define ZEFCOREK_CLASS_MAKER __attribute__((weak, visibility("hidden")))

namespace zefcorek {

ZEFCOREK_CLASS_MAKER void* makeIFIOIStreamImp(intptr_t arg);            // IFIOIStreamImp
ZEFCOREK_CLASS_MAKER void* makeIFIOOStreamImp(intptr_t arg);            // IFIOOStreamImp
ZEFCOREK_CLASS_MAKER void* makeIFIOIBufferedStreamImp(intptr_t arg);    // IFIOIBufferedStreamImp
ZEFCOREK_CLASS_MAKER void* makeIFIOHGlobalOStreamImp(intptr_t arg);     // IFIOHGlobalOStreamImp
ZEFCOREK_CLASS_MAKER void* makeIFIOHGlobalIStreamImp(intptr_t arg);     // IFIOHGlobalIStreamImp
ZEFCOREK_CLASS_MAKER void* makeIIniFileImp(intptr_t arg);               // IIniFileImp
ZEFCOREK_CLASS_MAKER void* makeIPtrListImp(intptr_t arg);               // IPtrListImp
ZEFCOREK_CLASS_MAKER void* makeIRecListImp(intptr_t arg);               // IRecListImp
ZEFCOREK_CLASS_MAKER void* makeIStringListImp(intptr_t arg);            // IStringListImp
ZEFCOREK_CLASS_MAKER void* makeIPtrArrayImp(intptr_t arg);              // IPtrArrayImp
ZEFCOREK_CLASS_MAKER void* makeITaggedValSetImp(intptr_t arg);          // ITaggedValSetImp
ZEFCOREK_CLASS_MAKER void* makeIHashTableImp(intptr_t arg);             // IHashTableImp
ZEFCOREK_CLASS_MAKER void* makeIBinaryHeapImp(intptr_t arg);            // IBinaryHeapImp
ZEFCOREK_CLASS_MAKER void* makeIKeyedBinaryHeapImp(intptr_t arg);       // IKeyedBinaryHeapImp
ZEFCOREK_CLASS_MAKER void* makeIPlaneFitImp(intptr_t arg);              // IPlaneFitImp
ZEFCOREK_CLASS_MAKER void* makeISerialPortImp(intptr_t arg);            // ISerialPortImp
ZEFCOREK_CLASS_MAKER void* makeIBluetoothConnectionImp(intptr_t arg);   // IBluetoothConnectionImp
ZEFCOREK_CLASS_MAKER void* makeIBluetoothHelperImp(intptr_t arg);       // IBluetoothHelperImp
ZEFCOREK_CLASS_MAKER void* makeIWinRegistryImp(intptr_t arg);           // IWinRegistryImp
ZEFCOREK_CLASS_MAKER void* makeIWlanHelperImp(intptr_t arg);            // IWlanHelperImp
ZEFCOREK_CLASS_MAKER void* makeITCPConnectionImp(intptr_t arg);         // ITCPConnectionImp
ZEFCOREK_CLASS_MAKER void* makeIUDPConnectionImp(intptr_t arg);         // IUDPConnectionImp
ZEFCOREK_CLASS_MAKER void* makeIGfxZoomerImp(intptr_t arg);             // IGfxZoomerImp
ZEFCOREK_CLASS_MAKER void* makeIGfxRotoTransImp(intptr_t arg);          // IGfxRotoTransImp
ZEFCOREK_CLASS_MAKER void* makeIGfxBSplineImp(intptr_t arg);            // IGfxBSplineImp
ZEFCOREK_CLASS_MAKER void* makeIGfxPtDestination3Imp(intptr_t arg);     // IGfxPtDestination3Imp
ZEFCOREK_CLASS_MAKER void* makeIMessageLoaderImp(intptr_t arg);         // IMessageLoaderImp
ZEFCOREK_CLASS_MAKER void* makeINetDetectImp(intptr_t arg);             // INetDetectImp
ZEFCOREK_CLASS_MAKER void* makeINetInternetSessionImp(intptr_t arg);    // INetInternetSessionImp
ZEFCOREK_CLASS_MAKER void* makeIFIImgIOProviderImp(intptr_t arg);       // IFIImgIOProviderImp
ZEFCOREK_CLASS_MAKER void* makeIFIRasterImageImp(intptr_t arg);         // IFIRasterImageImp
ZEFCOREK_CLASS_MAKER void* makeIPDFImgExtractorImp(intptr_t arg);       // PDFII::IPDFImgExtractorImp
ZEFCOREK_CLASS_MAKER void* makeIHatchRegistryImp(intptr_t arg);         // IHatchRegistryImp
ZEFCOREK_CLASS_MAKER void* makeIHatchHandlerACADCompImp(intptr_t arg);  // IHatchHandlerACADCompImp
ZEFCOREK_CLASS_MAKER void* makeIDisplayListImp(intptr_t arg);           // IDisplayListImp
ZEFCOREK_CLASS_MAKER void* makeIZefCodesDBImp(intptr_t arg);            // CodesDB::IZefCodesDBImp
ZEFCOREK_CLASS_MAKER void* makeIZefObjsWithCodeDBImp(intptr_t arg);     // CodesDB::IZefObjsWithCodeDBImp
ZEFCOREK_CLASS_MAKER void* makeIZefCodesRenamingDBImp(intptr_t arg);    // CodesDB::IZefCodesRenamingDBImp
ZEFCOREK_CLASS_MAKER void* makeICSVIOMgrImp(intptr_t arg);              // ICSVIOMgrImp
ZEFCOREK_CLASS_MAKER void* makeIDBFImp(intptr_t arg);                   // DBF::IDBFImp
}  // namespace zefcorek
