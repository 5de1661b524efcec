// The base of the service client's byte streams for the system's SAX
// reader: a COM object that is a ReadOnlyStream and answers IUnknown,
// ISequentialStream and IStream. `Stream` gives Read.
#pragma once

#include "common/win32/com_object_win.h"
#include "common/win32/read_only_stream_win.h"

namespace QPTSoap {

template <typename Stream>
class StreamObject : public qp::ComObject<Stream, qp::ReadOnlyStream> {
 public:
  static constexpr qp::InterfaceEntry<Stream> kInterfaces[] = {
      QP_INTERFACE(Stream, IUnknown, IStream),
      QP_INTERFACE(Stream, ISequentialStream, IStream),
      QP_INTERFACE(Stream, IStream, IStream)};
};

}  // namespace QPTSoap
