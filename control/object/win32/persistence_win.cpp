// IPersist, IPersistStreamInit and IPersistStorage: the control keeps its
// extent only (extent_record.h), in a stream or in a storage's "Contents".
#include "control/object/win32/control_object_win.h"

namespace gwax {
namespace {

constexpr wchar_t kStorageStream[] = L"Contents";

}  // namespace

STDMETHODIMP GatherwickControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_Gatherwick;
  return S_OK;
}

STDMETHODIMP GatherwickControl::IsDirty() { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP GatherwickControl::Load(LPSTREAM stream) {
  if (!stream) return E_POINTER;
  uint8_t record[kExtentRecordSize];
  ULONG got = 0;
  const HRESULT hr = stream->Read(record, sizeof(record), &got);
  if (FAILED(hr)) return hr;
  const auto extent = DecodeExtent(record, got);
  if (!extent) return E_FAIL;
  extent_ = *extent;
  dirty_ = false;
  return S_OK;
}

STDMETHODIMP GatherwickControl::Save(LPSTREAM stream, BOOL clearDirty) {
  if (!stream) return E_POINTER;
  const auto record = EncodeExtent(extent_);
  ULONG written = 0;
  const HRESULT hr = stream->Write(record.data(), static_cast<ULONG>(record.size()), &written);
  if (FAILED(hr)) return hr;
  if (written != record.size()) return STG_E_MEDIUMFULL;
  if (clearDirty) dirty_ = false;
  return S_OK;
}

STDMETHODIMP GatherwickControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = kExtentRecordSize;
  return S_OK;
}

STDMETHODIMP GatherwickControl::InitNew() {
  extent_ = Extent();
  dirty_ = false;
  return S_OK;
}

STDMETHODIMP GatherwickControl::InitNew(IStorage*) { return InitNew(); }

STDMETHODIMP GatherwickControl::Load(IStorage* storage) {
  if (!storage) return E_POINTER;
  qp::ComPtr<IStream> stream;
  const HRESULT hr = storage->OpenStream(kStorageStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                         0, stream.Put());
  if (FAILED(hr)) return hr;
  return Load(stream.Get());
}

STDMETHODIMP GatherwickControl::Save(IStorage* storage, BOOL) {
  if (!storage) return E_POINTER;
  qp::ComPtr<IStream> stream;
  const HRESULT hr = storage->CreateStream(
      kStorageStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.Put());
  if (FAILED(hr)) return hr;
  return Save(stream.Get(), TRUE);
}

STDMETHODIMP GatherwickControl::SaveCompleted(IStorage*) { return S_OK; }

STDMETHODIMP GatherwickControl::HandsOffStorage() { return S_OK; }

}  // namespace gwax
