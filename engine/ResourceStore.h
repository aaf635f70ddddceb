// The payload store of the product: the executable's own resources, each blob a
// resource whose type and name are upper-case strings (Windows only).
#pragma once

#include "engine/PayloadStore.h"

namespace engine {

class ResourceStore : public PayloadStore {
  public:
    Blob Open(const std::string& name, const std::string& type) const override;
};

} // namespace engine
