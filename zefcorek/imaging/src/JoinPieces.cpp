// Joining the pieces of one picture: PDF producers often cut a picture into
// strips drawn edge to edge. After the page loop, chains of records that
// continue each other on the page are replaced by one record whose image
// is the strips stacked from the top. Only placements decide; pixels are
// not looked at.
#include "ZefImageOutputDev.h"

#include "FreeImageApi.h"
#include "ProcessImageIO.h"
#include "RasterImageImp.h"
#include "zefcorek/PtrList.h"

#include "platform/GdiTypes.h"

#include <cmath>
#include <new>

namespace {

// Edges closer than this many pixels touch.
constexpr double kTouching = 2;

bool near(double a, double b) { return std::fabs(a - b) < kTouching; }

bool stacked(const CachedImgPlacement& a, const CachedImgPlacement& b) {
  return a.minX == b.minX && a.maxX == b.maxX && (near(a.minY, b.maxY) || near(a.maxY, b.minY));
}

bool sideBySide(const CachedImgPlacement& a, const CachedImgPlacement& b) {
  return a.rotated && b.rotated && near(a.minY, b.minY) && near(a.maxY, b.maxY) &&
         (near(a.minX, b.maxX) || near(a.maxX, b.minX));
}

}  // namespace

int FindJoinGroups(const std::vector<const CachedImgDef*>& records, std::vector<JoinLink>& links) {
  const int count = static_cast<int>(records.size());
  links.assign(records.size(), JoinLink{});
  if (count == 0) return 0;
  // A record taken as one record's continuation is not taken again, so no
  // piece ends up in two joined images.
  std::vector<bool> taken(records.size(), false);
  int remaining = 0;
  for (const CachedImgDef* record : records) remaining += record->placement.valid ? 1 : 0;

  for (int i = 0; remaining > 1 && i < count; ++i) {
    const CachedImgDef& a = *records[i];
    if (links[i].next != -1 || !a.placement.valid) continue;
    for (int j = i + 1; j < count && remaining > 0; ++j) {
      if (links[j].next != -1 || taken[j]) continue;
      const CachedImgDef& b = *records[j];
      // Only the records of this page and depth right after it.
      if (b.page != a.page || b.bitsPerPixel != a.bitsPerPixel) break;
      if (!b.placement.valid) continue;
      if (stacked(a.placement, b.placement)) {
        links[i].next = j;
        if (links[i].role == 0) links[i].role = 1;
        links[j].role = 2;
      } else if (sideBySide(a.placement, b.placement)) {
        links[i].next = j;
        if (links[i].role == 0) {
          links[i].role = 1;
          links[j].role = 2;
        } else {
          links[j].role = 3;
        }
      } else {
        continue;
      }
      taken[j] = true;
      --remaining;
      break;
    }
  }

  // Number the chains from their heads.
  int groups = 0;
  for (bool numbered = true; numbered;) {
    numbered = false;
    for (int i = 0; i < count; ++i) {
      if (links[i].next == -1 || links[i].group != 0) continue;
      ++groups;
      numbered = true;
      for (int k = i; k != -1; k = links[k].next) links[k].group = groups;
    }
  }
  return groups;
}

CachedImgDef* ZefImageOutputDev::joinGroup(const std::vector<CachedImgDef*>& pieces,
                                           const std::vector<int32_t>& roles) {
  for (const CachedImgDef* piece : pieces) {
    if (piece->image == nullptr) return nullptr;
  }
  const CachedImgDef& head = *pieces.front();
  auto* joined = new (std::nothrow) CachedImgDef{};
  if (joined == nullptr) return nullptr;
  joined->width = head.width;
  joined->bitsPerPixel = head.bitsPerPixel;
  joined->page = head.page;  // the pieces' page, not 0
  joined->height = head.height;
  for (size_t index = 1; index < pieces.size(); ++index) {
    if (roles[index] == 2 || roles[index] == 3) joined->height += pieces[index]->height;
  }

  std::vector<RGBQUAD> palette;
  if (head.bitsPerPixel <= 8) {
    palette.assign(256, RGBQUAD{255, 255, 255, 255});
    for (uint32_t entry = 0; entry < (1u << head.bitsPerPixel); ++entry) {
      (void)head.image->GetPalette(entry, &palette[entry]);
    }
  }
  auto* image = new (std::nothrow) IFIRasterImageImp(zefcorek::processImageExpert(), nullptr);
  if (image == nullptr) return joined;
  if (image->Allocate(joined->width, joined->height, joined->bitsPerPixel,
                      palette.empty() ? nullptr : palette.data()) != ZR_OK) {
    image->Release();
    return joined;
  }
  (void)image->Fill(RGB(255, 0, 0));
  joined->image = image;
  // y counts rows from the top of the joined image.
  LONG y = 0;
  for (size_t index = 0; index < pieces.size(); ++index) {
    IRasterImage* piece = pieces[index]->image;
    const LONG height = static_cast<LONG>(pieces[index]->height);
    if (roles[index] == 1) {
      const POINT at{0, 0};
      (void)image->Paste(&at, piece);
      y = height;
    } else if (roles[index] == 2 || roles[index] == 3) {
      if (roles[index] == 3) (void)piece->FlipVertical();
      const POINT at{0, y};
      (void)image->Paste(&at, piece);
      y += height;
    }
  }
  return joined;
}

void ZefImageOutputDev::JoinPieces() {
  const auto count = static_cast<uint32_t>(getImageCount());
  std::vector<CachedImgDef*> records;
  for (uint32_t index = 0; index < count; ++index) records.push_back(GetCapturedImage(index));
  std::vector<JoinLink> links;
  const int groups = FindJoinGroups(std::vector<const CachedImgDef*>(records.begin(), records.end()), links);
  if (groups == 0) return;

  std::vector<CachedImgDef*> joinedRecords;
  for (int group = 1; group <= groups; ++group) {
    int head = 0;
    while (links[head].group != group) ++head;
    std::vector<CachedImgDef*> pieces;
    std::vector<int32_t> roles;
    for (int k = head; k != -1; k = links[k].next) {
      pieces.push_back(records[k]);
      roles.push_back(links[k].role);
    }
    CachedImgDef* joined = joinGroup(pieces, roles);
    if (joined == nullptr) {
      // Left as captured: its pieces stay records of their own.
      for (int k = head; k != -1; k = links[k].next) links[k].group = 0;
      continue;
    }
    joinedRecords.push_back(joined);
  }

  // The pieces go; the joined records follow the records not joined.
  for (uint32_t index = 0; index < count; ++index) {
    if (links[index].group == 0) continue;
    CachedImgDef* piece = records[index];
    (void)records_->SetAt(index, nullptr);
    if (piece->image != nullptr) piece->image->Release();
    delete piece;
  }
  (void)records_->RemoveNullItems();
  for (CachedImgDef* joined : joinedRecords) {
    if (records_->AddTail(joined, nullptr) == ZR_OK) continue;
    if (joined->image != nullptr) joined->image->Release();
    delete joined;
  }
}
