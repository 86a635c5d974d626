#include "tune_error.h"

namespace zandrel {

template class LayerError<TuneErrorKind>;

}  // namespace zandrel
