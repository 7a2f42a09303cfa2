// Deleting a model piece by piece: its attachments and each frame's view of
// them, the two tables and the chain of the model and of every frame, all
// tracked blocks that the model holds.
#include <gtest/gtest.h>

#include "direct3d9/model_records.h"
#include "direct3d9/model_system.h"
#include "support/image_fixtures.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kFrames = 2;
constexpr int kAttachments = 3;

void* Block(int size) { return TRACKED_ALLOC_ZEROED(size); }

// A chain whose head names two nodes.
ModelChainNode* MakeChain() {
  auto* head = static_cast<ModelChainNode*>(Block(sizeof(ModelChainNode)));
  auto* first = static_cast<ModelChainNode*>(Block(sizeof(ModelChainNode)));
  auto* second = static_cast<ModelChainNode*>(Block(sizeof(ModelChainNode)));
  head->next = first;
  first->next = second;
  return head;
}

ModelFrameBlocks MakeBlocks() { return {{Block(16), Block(24)}, MakeChain()}; }

// One model of a base with two frames, in slot 0 of fresh tables; the
// tables themselves are the test's.
class ModelDeletionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    before_ = TrackedTotals::Now();
    ModelSystemState& models = GetModelSystemState();
    saved_ = models;
    models.ready = 1;
    models.bases = {baseSlots_, 1, 1, 1};
    models.models = {modelSlots_, 1, 1, 1};
    base_ = static_cast<ModelBaseRecord*>(Block(sizeof(ModelBaseRecord)));
    base_->refCount = 2;  // another model holds it too
    base_->frameCount = kFrames;
    baseSlots_[0] = base_;
    auto* record = static_cast<ModelRecord*>(Block(sizeof(ModelRecord)));
    record->check = 3;
    record->baseHandle = MakeModelBaseHandle(0);
    record->base = base_;
    base_->firstModel = base_->lastModel = record;
    base_->modelCount = 1;
    record->attachmentCount = kAttachments;
    record->attachments =
        static_cast<ModelAttachment*>(Block(sizeof(ModelAttachment) * kAttachments));
    record->frameAttachmentStates =
        static_cast<ModelAttachmentState**>(Block(sizeof(ModelAttachmentState*) * kFrames));
    for (int f = 0; f < kFrames; ++f) {
      record->frameAttachmentStates[f] = static_cast<ModelAttachmentState*>(
          Block(sizeof(ModelAttachmentState) * kAttachments));
    }
    for (int i : {0, 2}) {
      record->attachments[i] = {1, Block(40)};
      for (int f = 0; f < kFrames; ++f) record->frameAttachmentStates[f][i] = {1, this};
      ++record->attachmentsInUse;
    }
    record->ownBlocks = MakeBlocks();
    record->frameBlocks =
        static_cast<ModelFrameBlocks*>(Block(sizeof(ModelFrameBlocks) * kFrames));
    for (int f = 0; f < kFrames; ++f) record->frameBlocks[f] = MakeBlocks();
    record->updateBytes[0] = record->updateBytes[1] = 1;
    modelSlots_[0] = record;
    record_ = record;
    model_ = MakeModelHandle(0, 3);
  }
  void TearDown() override {
    if (modelSlots_[0]) DeleteModel(model_);
    if (baseSlots_[0]) {
      base_->refCount = 1;
      DeleteModelBase(MakeModelBaseHandle(0));
    }
    GetModelSystemState() = saved_;
  }
  TrackedTotals before_{};
  ModelSystemState saved_{};
  void* baseSlots_[1] = {};
  void* modelSlots_[1] = {};
  ModelBaseRecord* base_ = nullptr;
  ModelRecord* record_ = nullptr;
  int model_ = 0;
};

TEST_F(ModelDeletionTest, ReleasingAnAttachmentClearsItInEveryFrame) {
  ASSERT_EQ(ReleaseModelAttachment(model_, 2), 0);
  EXPECT_EQ(record_->attachments[2].inUse, 0);
  EXPECT_EQ(record_->attachments[2].data, nullptr);
  for (int f = 0; f < kFrames; ++f) {
    EXPECT_EQ(record_->frameAttachmentStates[f][2].inUse, 0);
    EXPECT_EQ(record_->frameAttachmentStates[f][2].pointer, nullptr);
    EXPECT_EQ(record_->frameAttachmentStates[f][0].inUse, 1);
  }
  EXPECT_EQ(record_->attachmentsInUse, 1);
  EXPECT_EQ(record_->updateBytes[0], 0);
  EXPECT_EQ(record_->updateBytes[1], 0);
  // A free entry changes no count; only the update bytes are cleared.
  record_->updateBytes[0] = 1;
  ASSERT_EQ(ReleaseModelAttachment(model_, 1), 0);
  EXPECT_EQ(record_->attachmentsInUse, 1);
  EXPECT_EQ(record_->updateBytes[0], 0);
}

TEST_F(ModelDeletionTest, BadHandlesIndicesAndFramesAreRefused) {
  EXPECT_EQ(ReleaseModelAttachment(model_, kAttachments), -1);
  EXPECT_EQ(ReleaseModelAttachment(model_, -1), -1);
  EXPECT_EQ(ReleaseModelAttachment(MakeModelHandle(0, 4), 0), -1);  // another check number
  EXPECT_EQ(FreeModelFrameChain(model_, kFrames), -1);
  EXPECT_EQ(FreeModelFrameTables(model_, -2, 0), -1);
  EXPECT_EQ(FreeModelFrameTables(MakeModelHandle(1, 3), 0, 0), -1);
  GetModelSystemState().ready = 0;
  EXPECT_EQ(ReleaseModelAttachment(model_, 0), -1);
  GetModelSystemState().ready = 1;
}

TEST_F(ModelDeletionTest, TablesAndChainsAreFreedOnceEach) {
  ASSERT_EQ(FreeModelFrameTables(model_, 1, 1), 0);
  EXPECT_EQ(record_->frameBlocks[1].tables[1], nullptr);
  EXPECT_NE(record_->frameBlocks[1].tables[0], nullptr);
  EXPECT_EQ(FreeModelFrameTables(model_, 1, 1), 0);  // already gone
  ASSERT_EQ(FreeModelFrameChain(model_, -1), 0);
  EXPECT_EQ(record_->ownBlocks.chain, nullptr);
  EXPECT_NE(record_->frameBlocks[0].chain, nullptr);
  EXPECT_EQ(FreeModelFrameChain(model_, -1), 0);
}

TEST_F(ModelDeletionTest, DeletingTheModelFreesEverythingItHeldAndKeepsTheSharedBase) {
  ASSERT_EQ(DeleteModel(model_), 0);
  modelSlots_[0] = nullptr;
  EXPECT_EQ(GetModelSystemState().models.liveCount, 0);
  // The base lives on for its other holder, without this model.
  EXPECT_EQ(base_->refCount, 1);
  EXPECT_EQ(base_->modelCount, 0);
  EXPECT_EQ(base_->firstModel, nullptr);
  base_->refCount = 1;
  ASSERT_EQ(DeleteModelBase(MakeModelBaseHandle(0)), 0);
  baseSlots_[0] = nullptr;
  EXPECT_EQ(TrackedTotals::Now(), before_);
}

}  // namespace
