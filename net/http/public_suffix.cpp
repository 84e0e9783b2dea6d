#include "net/http/public_suffix.h"

#include <libpsl.h>

#include <memory>
#include <string>

#include "net/http/text_helpers.h"

namespace {
struct ContextFree {
  void operator()(psl_ctx_t* context) const { psl_free(context); }
};

// Loaded once and only read afterwards, so every thread may share it.
const psl_ctx_t* suffixList() {
  static const std::unique_ptr<psl_ctx_t, ContextFree> latest(psl_latest(nullptr));
  return latest ? latest.get() : psl_builtin();
}
}  // namespace

bool IsPublicSuffix(std::string_view domain) {
  const psl_ctx_t* list = suffixList();
  // Without any list nothing is known to be safe to share.
  if (!list) return true;
  return psl_is_public_suffix2(list, LowerCase(domain).c_str(), PSL_TYPE_ANY) != 0;
}
