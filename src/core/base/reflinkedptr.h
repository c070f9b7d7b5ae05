#pragma once
// Shared owning pointer of packages: the document's list and temporary copies share a package, and
// its last holder deletes it through the package's virtual destructor.

#include <memory>

template <class T>
struct ByScalarDelete {
  void operator()(T* p) const noexcept { delete p; }
};

// The deletion policy is given where the holder is first made from a raw pointer.
template <class T, class Policy = ByScalarDelete<T>>
using RefLinkedPtr = std::shared_ptr<T>;

class PackageBase;
using PackagePtr = RefLinkedPtr<PackageBase, ByScalarDelete<PackageBase>>;
