#include "vna_error.h"

namespace zandrel {

template class LayerError<VnaErrorKind>;

}  // namespace zandrel
