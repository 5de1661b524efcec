// The control's status and its extent kept through a stream and a storage.
#include "control/object/win32/control_object_win.h"

#include <gtest/gtest.h>

#include "control/object/win32/fake_container_win.h"

namespace gwax {
namespace {

TEST_F(ComTest, EmbeddingStatusAndPersistence) {
  auto control = NewControl();
  ASSERT_TRUE(control);
  auto ole = control.As<IOleObject>(IID_IOleObject);
  DWORD status = 0;
  EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 0x20191u);
  SIZEL extent{};
  EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(extent.cx, 5080);
  EXPECT_EQ(extent.cy, 5080);

  auto errors = control.As<ISupportErrorInfo>(IID_ISupportErrorInfo);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IGatherwick), S_OK);
  EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IOleObject), S_FALSE);
  CAUUID pages{5, reinterpret_cast<GUID*>(1)};
  EXPECT_EQ(control.As<ISpecifyPropertyPages>(IID_ISpecifyPropertyPages)->GetPages(&pages), S_OK);
  EXPECT_EQ(pages.cElems, 0u);
  EXPECT_EQ(pages.pElems, nullptr);

  SIZEL wanted{1234, 5678};
  ASSERT_EQ(ole->SetExtent(DVASPECT_CONTENT, &wanted), S_OK);
  auto stream = control.As<IPersistStreamInit>(IID_IPersistStreamInit);
  EXPECT_EQ(stream->IsDirty(), S_OK);
  ComPtr<IStream> memory;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, memory.Put()), S_OK);
  ASSERT_EQ(stream->Save(memory.Get(), TRUE), S_OK);
  EXPECT_EQ(stream->IsDirty(), S_FALSE);
  ULARGE_INTEGER max{};
  EXPECT_EQ(stream->GetSizeMax(&max), S_OK);
  STATSTG stat{};
  memory->Stat(&stat, STATFLAG_NONAME);
  EXPECT_EQ(stat.cbSize.QuadPart, max.QuadPart);

  auto other = NewControl();
  auto otherStream = other.As<IPersistStreamInit>(IID_IPersistStreamInit);
  LARGE_INTEGER zero{};
  memory->Seek(zero, STREAM_SEEK_SET, nullptr);
  ASSERT_EQ(otherStream->Load(memory.Get()), S_OK);
  SIZEL loaded{};
  other.As<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 1234);
  EXPECT_EQ(loaded.cy, 5678);
  CLSID clsid{};
  EXPECT_EQ(otherStream->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Gatherwick));

  // A truncated stream is refused and changes nothing.
  ComPtr<IStream> shortStream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, shortStream.Put()), S_OK);
  const DWORD half[1] = {0x0100};
  shortStream->Write(half, sizeof(half), nullptr);
  shortStream->Seek(zero, STREAM_SEEK_SET, nullptr);
  EXPECT_TRUE(FAILED(otherStream->Load(shortStream.Get())));
  other.As<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 1234);

  // The same through a compound document.
  ComPtr<ILockBytes> bytes;
  ASSERT_EQ(CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Put()), S_OK);
  ComPtr<IStorage> storage;
  ASSERT_EQ(StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                         0, storage.Put()),
            S_OK);
  ASSERT_EQ(control.As<IPersistStorage>(IID_IPersistStorage)->Save(storage.Get(), TRUE), S_OK);
  auto third = NewControl();
  ASSERT_EQ(third.As<IPersistStorage>(IID_IPersistStorage)->Load(storage.Get()), S_OK);
  third.As<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 1234);
  EXPECT_EQ(loaded.cy, 5678);
  EXPECT_EQ(third.As<IPersistStreamInit>(IID_IPersistStreamInit)->InitNew(), S_OK);
  third.As<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &loaded);
  EXPECT_EQ(loaded.cx, 5080);
}

}  // namespace
}  // namespace gwax
