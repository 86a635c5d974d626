#include "numeric_error.h"

namespace zandrel {

template class LayerError<NumericErrorKind>;

}  // namespace zandrel
