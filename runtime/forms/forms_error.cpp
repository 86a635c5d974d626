#include "forms_error.h"

namespace zandrel {

template class LayerError<FormsErrorKind>;

}  // namespace zandrel
