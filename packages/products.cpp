#include "packages/products.h"

#include "common/joined_text.h"

namespace setup {

const Product* FindProduct(std::u16string_view productCode) {
  for (const Product& product : kProducts) {
    if (productCode == product.productCode ||
        (product.alternateCode != nullptr && productCode == product.alternateCode)) {
      return &product;
    }
  }
  return nullptr;
}

std::u16string RemovalCommand(const char16_t* productCode) {
  // REBOOT=R: a needed restart comes back as 3010 and is ours to offer.
  return Join({"msiexec /qn /x ", productCode, " REBOOT=R"});
}

std::u16string RemovalCommand(const Product& product) {
  return RemovalCommand(product.productCode);
}

}  // namespace setup
