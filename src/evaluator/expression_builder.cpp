#include "pelt/evaluator/expression_builder.h"

#include <mutex>

namespace pelt::evaluator {
namespace {

std::mutex g_factory_mutex;
ExpressionBuilderFactory& Factory() {
  static ExpressionBuilderFactory* factory = new ExpressionBuilderFactory();
  return *factory;
}

}  // namespace

void SetExpressionBuilderFactory(ExpressionBuilderFactory factory) {
  std::lock_guard lock(g_factory_mutex);
  Factory() = std::move(factory);
}

ExpressionBuilderFactory GetExpressionBuilderFactory() {
  std::lock_guard lock(g_factory_mutex);
  return Factory();
}

}  // namespace pelt::evaluator
