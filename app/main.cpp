#include "app/batch.h"
#include "app/peak_area.h"
#include "runtime/entry.h"

int main(int argc, char** argv) {
  if (zel::app::IsBatchRequest(argc, argv)) zel::runtime::Run(argc, argv, [] { zel::app::Batch(); });
  zel::runtime::Run(argc, argv, [] { zel::app::PeakArea(); });
}
