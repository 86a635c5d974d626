#include "model_error.h"

namespace zandrel {

template class LayerError<ModelErrorKind>;

bool IsEngineError(const RuntimeError& error) {
    return error.Is(ModelErrorKind::EngineMissing) || error.Is(ModelErrorKind::EngineFailed) ||
           error.Is(ModelErrorKind::OutputUnreadable);
}

bool IsNotModellable(const RuntimeError& error) {
    return error.Is(ModelErrorKind::NotModellable);
}

}  // namespace zandrel
