#include "zefcorek/StdInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Two interfaces of one object, to see that identity and counting do not
// depend on the interface a caller holds.
struct IFirst : virtual IStdInterface {
  virtual int first() = 0;
};
struct ISecond : virtual IStdInterface {
  virtual int second() = 0;
};

class TwoFaced : public IStdInterfaceImp, public virtual IFirst, public virtual ISecond {
public:
  explicit TwoFaced(int* destroyed) : destroyed_(destroyed) {}
  ~TwoFaced() override { ++*destroyed_; }
  int first() override { return 1; }
  int second() override { return 2; }

private:
  int* destroyed_;
};

// A data object that writes what happens to it into a shared journal.
class Node : public IStdDataInterfaceImp {
public:
  Node(std::string name, std::vector<std::string>* journal) : name_(std::move(name)), journal_(journal) {}
  ~Node() override { journal_->push_back(name_ + " destroyed"); }

  ZRESULT DetachChild(IStdDataInterface* child) override {
    const ZRESULT result = IStdDataInterfaceImp::DetachChild(child);
    journal_->push_back(name_ + " detached " + std::to_string(result));
    return result;
  }
  ZRESULT ChildModified(IStdDataInterface* child) override {
    journal_->push_back(name_ + " told");
    return IStdDataInterfaceImp::ChildModified(child);
  }

private:
  std::string name_;
  std::vector<std::string>* journal_;
};

// An owner that takes and drops a reference on the child while detaching it,
// as a container that looks the child up would.
class TouchingOwner : public IStdDataInterfaceImp {
public:
  ZRESULT DetachChild(IStdDataInterface* child) override {
    child->AddRef();
    child->Release();
    child->Release();
    return IStdDataInterfaceImp::DetachChild(child);
  }
};

TEST(StdInterfaceTest, QueryInterfaceAnswers) {
  int destroyed = 0;
  auto* plain = new TwoFaced(&destroyed);
  std::vector<std::string> journal;
  auto* data = new Node("n", &journal);
  IStdInterface* plainBase = static_cast<IFirst*>(plain);
  IStdInterface* dataBase = data;

  const struct {
    const char* row;
    IStdInterface* object;
    const GUID* iid;
    HRESULT result;
    void* expectedOut;
  } cases[] = {
      {"plain, IUnknown", plainBase, &IID_IUnknown, ZR_OK, static_cast<IUnknown*>(plain)},
      {"plain, data id", plainBase, &IID_IStdDataInterface, ZR_NOINTERFACE, nullptr},
      {"data, IUnknown", dataBase, &IID_IUnknown, ZR_OK, static_cast<IUnknown*>(data)},
      {"data, data id", dataBase, &IID_IStdDataInterface, ZR_OK, static_cast<IStdDataInterface*>(data)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    const LONG before = c.object->GetRefCount();
    void* out = &destroyed;  // anything but null: the call must overwrite it
    EXPECT_EQ(c.object->QueryInterface(*c.iid, &out), c.result);
    EXPECT_EQ(out, c.expectedOut);
    EXPECT_EQ(c.object->GetRefCount(), before + (c.result == ZR_OK ? 1 : 0));
    if (c.result == ZR_OK) c.object->Release();
    // A null out is refused and leaves the count alone.
    EXPECT_EQ(c.object->QueryInterface(*c.iid, nullptr), ZR_BADARG);
    EXPECT_EQ(c.object->GetRefCount(), before);
  }
  EXPECT_EQ(plain->Release(), 0u);
  EXPECT_EQ(data->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

TEST(StdInterfaceTest, CountingAndIdentityAcrossInterfaces) {
  int destroyed = 0;
  auto* object = new TwoFaced(&destroyed);
  IFirst* first = object;
  ISecond* second = object;
  EXPECT_EQ(first->GetRefCount(), 1);
  EXPECT_EQ(second->AddRef(), 2u);
  EXPECT_EQ(first->GetRefCount(), 2);

  EXPECT_EQ(first->CastToTopInterface(), second->CastToTopInterface());
  EXPECT_TRUE(first->SameInterface(second));
  EXPECT_FALSE(first->SameInterface(nullptr));
  auto* other = new TwoFaced(&destroyed);
  EXPECT_FALSE(first->SameInterface(static_cast<ISecond*>(other)));
  other->Release();

  EXPECT_EQ(first->Release(), 1u);
  EXPECT_EQ(destroyed, 1);  // only `other` so far
  EXPECT_EQ(second->Release(), 0u);
  EXPECT_EQ(destroyed, 2);
}

// A owns B, B owns C.
class OwnershipTreeTest : public testing::Test {
protected:
  void SetUp() override {
    b->SetOwner(a);
    c->SetOwner(b);
  }
  void TearDown() override {
    for (Node* node : {c, b, a}) node->Release();
  }
  std::vector<std::string> journal;
  Node* a = new Node("a", &journal);
  Node* b = new Node("b", &journal);
  Node* c = new Node("c", &journal);
};

TEST_F(OwnershipTreeTest, ModifiedFlagClimbsToTheRoot) {
  EXPECT_EQ(c->SetModified(true), ZR_OK);
  EXPECT_FALSE(a->IsUnmodified());
  EXPECT_TRUE(b->IsUnmodified());
  EXPECT_TRUE(c->IsUnmodified());

  // A second change below an already modified root: b takes the flag over
  // and tells the root, which keeps its flag and goes no further.
  journal.clear();
  c->SetModified(true);
  EXPECT_EQ(journal, (std::vector<std::string>{"b told", "a told"}));
  EXPECT_FALSE(a->IsUnmodified());
  EXPECT_TRUE(b->IsUnmodified());
  EXPECT_TRUE(c->IsUnmodified());

  EXPECT_EQ(a->SetModified(false), ZR_OK);
  EXPECT_TRUE(a->IsUnmodified());
}

TEST_F(OwnershipTreeTest, ForeignAndNullChildren) {
  // c belongs to b: a neither takes its flag nor detaches it.
  c->SetModified(true);  // climbs to a
  a->SetModified(false);
  EXPECT_EQ(a->ChildModified(c), ZR_OK);
  EXPECT_TRUE(a->IsUnmodified());
  EXPECT_EQ(a->DetachChild(c), ZR_BADARG);
  IStdDataInterface* owner = nullptr;
  EXPECT_EQ(c->GetOwner(&owner), ZR_OK);
  EXPECT_EQ(owner, static_cast<IStdDataInterface*>(b));

  EXPECT_EQ(a->ChildModified(nullptr), ZR_BADARG);
  EXPECT_EQ(a->DetachChild(nullptr), ZR_BADARG);
  EXPECT_EQ(a->GetOwner(nullptr), ZR_BADARG);

  EXPECT_EQ(b->DetachChild(c), ZR_OK);
  EXPECT_EQ(c->GetOwner(&owner), ZR_OK);
  EXPECT_EQ(owner, nullptr);
}

TEST_F(OwnershipTreeTest, LastReleaseTellsTheOwnerFirst) {
  c->AddRef();
  c->Release();
  EXPECT_TRUE(journal.empty());
  Node* child = c;
  c = new Node("c2", &journal);  // keep TearDown's list whole
  child->Release();
  EXPECT_EQ(journal, (std::vector<std::string>{"b detached 0", "c destroyed"}));
}

TEST(StdDataInterfaceTest, ReleaseDuringDetachDoesNotDeleteTwice) {
  auto* owner = new TouchingOwner;
  auto* child = new TouchingOwner;
  child->SetOwner(owner);
  EXPECT_EQ(child->Release(), 0u);  // the sanitizers catch a second delete
  EXPECT_EQ(owner->Release(), 0u);
}

}  // namespace
