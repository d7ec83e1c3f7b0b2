// IToolRegistryImp: the tool table. Item i of the pointer list is the tool
// with identifier i, or null while i is free; the table grows and never
// shrinks. Tools are looked up by asking them for their identifier, not by
// indexing, as a tool's identifier is what the tool itself reports.
#include "zefcorek/Tool.h"

#include "zefcorek/ToolManager.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/PtrList.h"
#include "zefcorek/ZefCoreK.h"

namespace {

IPtrList* makePointerList() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IPtrListImp, &made, 0) != S_OK) return nullptr;
  return static_cast<IPtrList*>(made);
}

}  // namespace

IToolRegistryImp::IToolRegistryImp() : tools_(makePointerList()) {}

// Tools still registered are unregistered, so that none keeps a pointer to
// this registry or a reference that nobody drops.
IToolRegistryImp::~IToolRegistryImp() {
  if (tools_ == nullptr) return;
  unsigned count = 0;
  tools_->GetCount(&count);
  for (unsigned index = 0; index < count; ++index) {
    void* item = nullptr;
    if (tools_->GetAt(index, &item) == ZR_OK && item != nullptr) dropTool(static_cast<ITool*>(item));
  }
  tools_->Release();
}

uint32_t IToolRegistryImp::FindUnusedToolID() {
  unsigned count = 0;
  if (tools_ == nullptr) return 0;
  tools_->GetCount(&count);
  for (unsigned index = 0; index < count; ++index) {
    void* item = nullptr;
    if (tools_->GetAt(index, &item) == ZR_OK && item == nullptr) return index;
  }
  return count;
}

int32_t IToolRegistryImp::FindTool(ITool* tool) {
  unsigned index = 0;
  if (tool == nullptr || tools_ == nullptr || tools_->IndexOfItem(tool, &index) != ZR_OK) return -1;
  return static_cast<int32_t>(index);
}

ITool* IToolRegistryImp::FindToolByID(uint32_t id) {
  if (tools_ == nullptr) return nullptr;
  IPtrList::Node* node = nullptr;
  for (tools_->GetHead(&node); node != nullptr; tools_->GetNextNode(node, &node)) {
    void* item = nullptr;
    tools_->GetItem(node, &item);
    auto* tool = static_cast<ITool*>(item);
    uint32_t toolId = kNoToolId;
    if (tool != nullptr && tool->GetID(&toolId) == ZR_OK && toolId == id) return tool;
  }
  return nullptr;
}

ZRESULT IToolRegistryImp::RegisterTool(ITool* tool, uint32_t id) {
  if (tool == nullptr) return ZR_BADARG;
  if (tools_ == nullptr) return ZR_OUTOFMEMORY;
  if (id == kNoToolId)
    id = FindUnusedToolID();
  else if (id <= kMaxToolId && FindToolByID(id) != nullptr)
    return ZR_FAILED;
  // The table grows to id + 1 items: an identifier from the far end of the
  // range would ask for gigabytes.
  if (id > kMaxToolId) return ZR_BADARG;
  unsigned count = 0;
  tools_->GetCount(&count);
  void* occupant = nullptr;
  if (id < count && tools_->GetAt(id, &occupant) == ZR_OK && occupant != nullptr) return ZR_FAILED;
  for (; count <= id; ++count) {
    if (const ZRESULT result = tools_->AddTail(nullptr, nullptr); result != ZR_OK) return result;
  }
  tool->AddRef();
  tool->SetID(id);
  tools_->SetAt(id, tool);
  tool->SetToolRegistry(this);
  return ZR_OK;
}

// Ends one registration: a manager of ours lets go of the tool (it holds its
// active and frozen tools without references and would otherwise call a
// freed tool), the manager forgets the tool's friends, the tool forgets its
// identifier, registry and manager, and its item becomes free.
ZRESULT IToolRegistryImp::dropTool(ITool* tool) {
  if (auto* ours = dynamic_cast<IToolManagerImp*>(manager_); ours != nullptr) ours->ToolUnregistering(tool);
  if (manager_ != nullptr) manager_->DetachFriendTool(tool, nullptr);
  tool->SetID(kNoToolId);
  tool->SetToolRegistry(nullptr);
  tool->SetToolManager(nullptr);
  const int32_t index = FindTool(tool);
  const ZRESULT result = index >= 0 ? tools_->SetAt(static_cast<unsigned>(index), nullptr) : ZR_OK;
  tool->Release();
  return result;
}

ZRESULT IToolRegistryImp::UnregisterToolByID(uint32_t id) {
  ITool* tool = nullptr;
  if (const ZRESULT result = ToolByID(id, &tool); result != ZR_OK) return result;
  const ZRESULT result = dropTool(tool);
  tool->Release();  // the reference ToolByID handed out
  return result;
}

ZRESULT IToolRegistryImp::UnregisterTool(ITool* tool) {
  if (tool == nullptr) return ZR_BADARG;
  uint32_t id = kNoToolId;
  if (const ZRESULT result = tool->GetID(&id); result != ZR_OK) return result;
  return UnregisterToolByID(id);
}

ZRESULT IToolRegistryImp::IsToolRegistered(ITool* tool) {
  if (tool == nullptr) return ZR_BADARG;
  uint32_t id = kNoToolId;
  if (const ZRESULT result = tool->GetID(&id); result != ZR_OK) return result;
  return FindToolByID(id) == tool ? ZR_OK : ZR_NO;
}

ZRESULT IToolRegistryImp::IsToolRegisteredByID(uint32_t id) { return FindToolByID(id) != nullptr ? ZR_OK : ZR_NO; }

ZRESULT IToolRegistryImp::ToolByID(uint32_t id, ITool** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = FindToolByID(id);
  if (*out == nullptr) return ZR_FAILED;
  (*out)->AddRef();
  return ZR_OK;
}

ZRESULT IToolRegistryImp::ToolByName(const WCHAR* name, ITool** out) {
  if (out != nullptr) *out = nullptr;
  if (name == nullptr || out == nullptr) return ZR_BADARG;
  if (tools_ == nullptr) return ZR_FAILED;
  IPtrList::Node* node = nullptr;
  for (tools_->GetHead(&node); node != nullptr; tools_->GetNextNode(node, &node)) {
    void* item = nullptr;
    tools_->GetItem(node, &item);
    auto* tool = static_cast<ITool*>(item);
    if (tool == nullptr) continue;
    const ZRESULT answer = tool->CheckName(name);
    if (answer == ZR_NO) continue;
    if (answer != ZR_OK) return answer;
    tool->AddRef();
    *out = tool;
    return ZR_OK;
  }
  return ZR_FAILED;
}

ZRESULT IToolRegistryImp::ToolIDByTool(ITool* tool, uint32_t* id) {
  if (id != nullptr) *id = kNoToolId;
  if (tool == nullptr || id == nullptr) return ZR_FAILED;
  IToolRegistry* registry = nullptr;
  tool->GetToolRegistry(&registry);
  const bool ours = registry != nullptr && registry->CastToTopInterface() == CastToTopInterface();
  if (registry != nullptr) registry->Release();
  if (!ours) return ZR_FAILED;
  const ZRESULT result = tool->GetID(id);
  if (result != ZR_OK) *id = kNoToolId;
  return result;
}

ZRESULT IToolRegistryImp::GetToolManager(IToolManager** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = manager_;
  if (manager_ != nullptr) manager_->AddRef();
  return ZR_OK;
}

ZRESULT IToolRegistryImp::SetToolManager(IToolManager* manager) {
  manager_ = manager;
  if (tools_ == nullptr) return ZR_OK;
  IPtrList::Node* node = nullptr;
  for (tools_->GetHead(&node); node != nullptr; tools_->GetNextNode(node, &node)) {
    void* item = nullptr;
    tools_->GetItem(node, &item);
    if (item != nullptr) static_cast<ITool*>(item)->SetToolManager(manager);
  }
  return ZR_OK;
}

ZRESULT IToolRegistryImp::ApplicationIsIdle(int32_t* more) {
  if (more != nullptr) *more = 1;
  return manager_ != nullptr ? manager_->ApplicationIsIdle(more) : ZR_OK;
}
