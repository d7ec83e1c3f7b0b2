// Class identifiers of the objects that zefCoreKAllocIntf makes, in the order
// in which the factory compares them. A comment gives the class made, the
// interface handed out, and whether the constructor takes the factory's
// integer argument.
#pragma once

#include "platform/WinTypes.h"

// 1  {20F266CF-03C2-4652-BC36-CE04C32BAF39}  IFIOIStreamImp (IFIOIStream)
inline constexpr CLSID CLSID_IFIOIStreamImp = {
    0x20F266CF, 0x03C2, 0x4652, {0xBC, 0x36, 0xCE, 0x04, 0xC3, 0x2B, 0xAF, 0x39}};
// 2  {45F16CEE-64BA-4474-AAEF-98779682C2D3}  IFIOOStreamImp (IFIOOStream)
inline constexpr CLSID CLSID_IFIOOStreamImp = {
    0x45F16CEE, 0x64BA, 0x4474, {0xAA, 0xEF, 0x98, 0x77, 0x96, 0x82, 0xC2, 0xD3}};
// 3  {024B1D40-0381-4C95-8EA9-8185789FFBB2}  IFIOIBufferedStreamImp (IFIOIBufferedStream)
inline constexpr CLSID CLSID_IFIOIBufferedStreamImp = {
    0x024B1D40, 0x0381, 0x4C95, {0x8E, 0xA9, 0x81, 0x85, 0x78, 0x9F, 0xFB, 0xB2}};
// 4  {05E64FCC-8E8A-4BBB-ABF0-1316EE5BD7C1}  IFIOHGlobalOStreamImp (IFIOHGlobalOStream)
inline constexpr CLSID CLSID_IFIOHGlobalOStreamImp = {
    0x05E64FCC, 0x8E8A, 0x4BBB, {0xAB, 0xF0, 0x13, 0x16, 0xEE, 0x5B, 0xD7, 0xC1}};
// 5  {12D6FF61-6F65-433C-A4F9-0E44E52E04CF}  IFIOHGlobalIStreamImp (IFIOHGlobalIStream)
inline constexpr CLSID CLSID_IFIOHGlobalIStreamImp = {
    0x12D6FF61, 0x6F65, 0x433C, {0xA4, 0xF9, 0x0E, 0x44, 0xE5, 0x2E, 0x04, 0xCF}};
// 6  {7B90285E-4370-4891-8667-D3B2F8B8A4F6}  IIniFileImp (IIniFile)
inline constexpr CLSID CLSID_IIniFileImp = {
    0x7B90285E, 0x4370, 0x4891, {0x86, 0x67, 0xD3, 0xB2, 0xF8, 0xB8, 0xA4, 0xF6}};
// 7  {00407551-F0E5-421D-B4D7-65BD8087E298}  IPtrListImp (IPtrList)
inline constexpr CLSID CLSID_IPtrListImp = {
    0x00407551, 0xF0E5, 0x421D, {0xB4, 0xD7, 0x65, 0xBD, 0x80, 0x87, 0xE2, 0x98}};
// 8  {4BEB9CAA-803D-4336-BE0D-986082201175}  IRecListImp (IRecList)
inline constexpr CLSID CLSID_IRecListImp = {
    0x4BEB9CAA, 0x803D, 0x4336, {0xBE, 0x0D, 0x98, 0x60, 0x82, 0x20, 0x11, 0x75}};
// 9  {06C8D4C9-2F88-40F1-91EE-CD2B16C6B01D}  IStringListImp (IStringList)
inline constexpr CLSID CLSID_IStringListImp = {
    0x06C8D4C9, 0x2F88, 0x40F1, {0x91, 0xEE, 0xCD, 0x2B, 0x16, 0xC6, 0xB0, 0x1D}};
// 10  {D97A6DA0-A85D-11CF-83AE-00A0C90C2BD8}  IStringListImp (IStringList)
inline constexpr CLSID CLSID_IStringListImpLegacy = {
    0xD97A6DA0, 0xA85D, 0x11CF, {0x83, 0xAE, 0x00, 0xA0, 0xC9, 0x0C, 0x2B, 0xD8}};
// 11  {E7C330C7-DE1D-4B19-BB08-F7BCC1DF05C9}  IPtrArrayImp (IPtrArray)
inline constexpr CLSID CLSID_IPtrArrayImp = {
    0xE7C330C7, 0xDE1D, 0x4B19, {0xBB, 0x08, 0xF7, 0xBC, 0xC1, 0xDF, 0x05, 0xC9}};
// 12  {F36AAFF1-8A06-4215-B93E-98EFB55ACD4B}  ITaggedValSetImp (ITaggedValSet)
inline constexpr CLSID CLSID_ITaggedValSetImp = {
    0xF36AAFF1, 0x8A06, 0x4215, {0xB9, 0x3E, 0x98, 0xEF, 0xB5, 0x5A, 0xCD, 0x4B}};
// 13  {EBDE04A7-39BF-4AED-BDD5-7BA6BB65F809}  IHashTableImp (IHashTable)
inline constexpr CLSID CLSID_IHashTableImp = {
    0xEBDE04A7, 0x39BF, 0x4AED, {0xBD, 0xD5, 0x7B, 0xA6, 0xBB, 0x65, 0xF8, 0x09}};
// 14  {E1FBF244-F4D5-4285-93B0-9AA20997143B}  IBinaryHeapImp (IBinaryHeap)
inline constexpr CLSID CLSID_IBinaryHeapImp = {
    0xE1FBF244, 0xF4D5, 0x4285, {0x93, 0xB0, 0x9A, 0xA2, 0x09, 0x97, 0x14, 0x3B}};
// 15  {1374F35E-2C70-49A9-A488-EC294F0C4760}  IKeyedBinaryHeapImp (IKeyedBinaryHeap)
inline constexpr CLSID CLSID_IKeyedBinaryHeapImp = {
    0x1374F35E, 0x2C70, 0x49A9, {0xA4, 0x88, 0xEC, 0x29, 0x4F, 0x0C, 0x47, 0x60}};
// 16  {0B88B3BE-C804-4C0E-A548-C6EF41B65615}  IPlaneFitImp (IPlaneFit)
inline constexpr CLSID CLSID_IPlaneFitImp = {
    0x0B88B3BE, 0xC804, 0x4C0E, {0xA5, 0x48, 0xC6, 0xEF, 0x41, 0xB6, 0x56, 0x15}};
// 17  {B9696DA3-92C0-48C0-A085-AA6DE561620A}  ISerialPortImp (ISerialPort) — takes the factory argument
inline constexpr CLSID CLSID_ISerialPortImp = {
    0xB9696DA3, 0x92C0, 0x48C0, {0xA0, 0x85, 0xAA, 0x6D, 0xE5, 0x61, 0x62, 0x0A}};
// 18  {6D00D452-6AA6-401F-A292-B99EB5AE53FA}  IBluetoothConnectionImp (IBluetoothConnection) — takes the factory argument
inline constexpr CLSID CLSID_IBluetoothConnectionImp = {
    0x6D00D452, 0x6AA6, 0x401F, {0xA2, 0x92, 0xB9, 0x9E, 0xB5, 0xAE, 0x53, 0xFA}};
// 19  {04C5C5FC-1191-49DD-B7E4-B771D9E3D1BC}  IBluetoothHelperImp (IBluetoothHelper)
inline constexpr CLSID CLSID_IBluetoothHelperImp = {
    0x04C5C5FC, 0x1191, 0x49DD, {0xB7, 0xE4, 0xB7, 0x71, 0xD9, 0xE3, 0xD1, 0xBC}};
// 20  {CFF830D4-677E-480B-AEE5-E4E7BE8A6DBF}  IWinRegistryImp (IWinRegistry)
inline constexpr CLSID CLSID_IWinRegistryImp = {
    0xCFF830D4, 0x677E, 0x480B, {0xAE, 0xE5, 0xE4, 0xE7, 0xBE, 0x8A, 0x6D, 0xBF}};
// 21  {574859AF-EC3F-423C-BD11-10700D5628CD}  IWlanHelperImp (IWlanHelper)
inline constexpr CLSID CLSID_IWlanHelperImp = {
    0x574859AF, 0xEC3F, 0x423C, {0xBD, 0x11, 0x10, 0x70, 0x0D, 0x56, 0x28, 0xCD}};
// 22  {C4AA5EB7-45EE-4953-A75D-4D354C87DCB1}  ITCPConnectionImp (ITCPConnection) — takes the factory argument
inline constexpr CLSID CLSID_ITCPConnectionImp = {
    0xC4AA5EB7, 0x45EE, 0x4953, {0xA7, 0x5D, 0x4D, 0x35, 0x4C, 0x87, 0xDC, 0xB1}};
// 23  {CFB0F69E-7F3B-496C-8028-540D7D9A8E2F}  IUDPConnectionImp (IUDPConnection) — takes the factory argument
inline constexpr CLSID CLSID_IUDPConnectionImp = {
    0xCFB0F69E, 0x7F3B, 0x496C, {0x80, 0x28, 0x54, 0x0D, 0x7D, 0x9A, 0x8E, 0x2F}};
// 24  {43D95C16-29DD-4F3B-A07F-E93518671187}  IGfxZoomerImp (IGfxZoomer)
inline constexpr CLSID CLSID_IGfxZoomerImp = {
    0x43D95C16, 0x29DD, 0x4F3B, {0xA0, 0x7F, 0xE9, 0x35, 0x18, 0x67, 0x11, 0x87}};
// 25  {5C973B82-00A3-46D2-8772-8878017F789E}  IGfxRotoTransImp (IGfxRotoTrans)
inline constexpr CLSID CLSID_IGfxRotoTransImp = {
    0x5C973B82, 0x00A3, 0x46D2, {0x87, 0x72, 0x88, 0x78, 0x01, 0x7F, 0x78, 0x9E}};
// 26  {A9C98F9B-E0EC-4F8F-A8B0-95E6302BE60F}  IGfxBSplineImp (IGfxBSpline)
inline constexpr CLSID CLSID_IGfxBSplineImp = {
    0xA9C98F9B, 0xE0EC, 0x4F8F, {0xA8, 0xB0, 0x95, 0xE6, 0x30, 0x2B, 0xE6, 0x0F}};
// 27  {A677D4E5-2A79-4955-AC84-D8F8A686AD98}  IGfxPtDestination3Imp (IGfxPtDestination3)
inline constexpr CLSID CLSID_IGfxPtDestination3Imp = {
    0xA677D4E5, 0x2A79, 0x4955, {0xAC, 0x84, 0xD8, 0xF8, 0xA6, 0x86, 0xAD, 0x98}};
// 28  {26B432D7-BD3F-45A7-92CE-757B24F26779}  IMessageLoaderImp (IMessageLoader)
inline constexpr CLSID CLSID_IMessageLoaderImp = {
    0x26B432D7, 0xBD3F, 0x45A7, {0x92, 0xCE, 0x75, 0x7B, 0x24, 0xF2, 0x67, 0x79}};
// 29  {06BF5A57-CCC8-412C-8CF2-7B1605C84490}  INetDetectImp (INetDetect)
inline constexpr CLSID CLSID_INetDetectImp = {
    0x06BF5A57, 0xCCC8, 0x412C, {0x8C, 0xF2, 0x7B, 0x16, 0x05, 0xC8, 0x44, 0x90}};
// 30  {B39AF28D-1C95-46B5-8017-8C21D17F5F8E}  INetInternetSessionImp (INetInternetSession)
inline constexpr CLSID CLSID_INetInternetSessionImp = {
    0xB39AF28D, 0x1C95, 0x46B5, {0x80, 0x17, 0x8C, 0x21, 0xD1, 0x7F, 0x5F, 0x8E}};
// 31  {3A7FF9A6-E3B7-411C-9321-33A7B8F19FE8}  IFIImgIOProviderImp (IFIImgIOProvider)
inline constexpr CLSID CLSID_IFIImgIOProviderImp = {
    0x3A7FF9A6, 0xE3B7, 0x411C, {0x93, 0x21, 0x33, 0xA7, 0xB8, 0xF1, 0x9F, 0xE8}};
// 32  {4587CAC0-FEF0-489F-BCC1-B3D8A8D4D914}  IFIRasterImageImp (IFIRasterImage) — takes the factory argument
inline constexpr CLSID CLSID_IFIRasterImageImp = {
    0x4587CAC0, 0xFEF0, 0x489F, {0xBC, 0xC1, 0xB3, 0xD8, 0xA8, 0xD4, 0xD9, 0x14}};
// 33  {BDCC808C-E71A-4250-A6EE-ED93F196B178}  PDFII::IPDFImgExtractorImp (PDFII::IPDFImgExtractor)
inline constexpr CLSID CLSID_IPDFImgExtractorImp = {
    0xBDCC808C, 0xE71A, 0x4250, {0xA6, 0xEE, 0xED, 0x93, 0xF1, 0x96, 0xB1, 0x78}};
// 34  {D054A1DF-27E9-42A7-AE62-C30427BB78BB}  IHatchRegistryImp (IHatchRegistry)
inline constexpr CLSID CLSID_IHatchRegistryImp = {
    0xD054A1DF, 0x27E9, 0x42A7, {0xAE, 0x62, 0xC3, 0x04, 0x27, 0xBB, 0x78, 0xBB}};
// 35  {D13F2C04-F590-4C31-A56C-F44DB3C02C19}  IHatchHandlerACADCompImp (IHatchHandler)
inline constexpr CLSID CLSID_IHatchHandlerACADCompImp = {
    0xD13F2C04, 0xF590, 0x4C31, {0xA5, 0x6C, 0xF4, 0x4D, 0xB3, 0xC0, 0x2C, 0x19}};
// 36  {E55D86AC-39B0-4BC1-842B-800AA64052D0}  IDisplayListImp (IDisplayList) — takes the factory argument
inline constexpr CLSID CLSID_IDisplayListImp = {
    0xE55D86AC, 0x39B0, 0x4BC1, {0x84, 0x2B, 0x80, 0x0A, 0xA6, 0x40, 0x52, 0xD0}};
// 37  {4C2ECF8D-7AFB-4A53-AC15-F92A999FAC30}  CodesDB::IZefCodesDBImp (CodesDB::IZefCodesDB)
inline constexpr CLSID CLSID_IZefCodesDBImp = {
    0x4C2ECF8D, 0x7AFB, 0x4A53, {0xAC, 0x15, 0xF9, 0x2A, 0x99, 0x9F, 0xAC, 0x30}};
// 38  {A5C652FA-3290-4A9A-BF50-1D425AC62314}  CodesDB::IZefObjsWithCodeDBImp (CodesDB::IZefObjsWithCodeDB)
inline constexpr CLSID CLSID_IZefObjsWithCodeDBImp = {
    0xA5C652FA, 0x3290, 0x4A9A, {0xBF, 0x50, 0x1D, 0x42, 0x5A, 0xC6, 0x23, 0x14}};
// 39  {35EECAFA-F00B-4FFF-AD87-310F8CB091DC}  CodesDB::IZefCodesRenamingDBImp (CodesDB::IZefCodesRenamingDB)
inline constexpr CLSID CLSID_IZefCodesRenamingDBImp = {
    0x35EECAFA, 0xF00B, 0x4FFF, {0xAD, 0x87, 0x31, 0x0F, 0x8C, 0xB0, 0x91, 0xDC}};
// 40  {FFC7BA37-16C9-4DDC-9F48-430FB39D7F76}  ICSVIOMgrImp (ICSVIOMgr)
inline constexpr CLSID CLSID_ICSVIOMgrImp = {
    0xFFC7BA37, 0x16C9, 0x4DDC, {0x9F, 0x48, 0x43, 0x0F, 0xB3, 0x9D, 0x7F, 0x76}};
// 41  {B09D1FA2-D210-4FD2-A031-EA0AC4EA8504}  DBF::IDBFImp (DBF::IDBF)
inline constexpr CLSID CLSID_IDBFImp = {0xB09D1FA2, 0xD210, 0x4FD2, {0xA0, 0x31, 0xEA, 0x0A, 0xC4, 0xEA, 0x85, 0x04}};

// The one class msglibAllocIntf makes: the message loader (same id as above).
inline constexpr CLSID CLSID_MsgLibMessageLoader = CLSID_IMessageLoaderImp;
