// Receiving a form's files: the multipart body is read once the group's
// upload limits are known, its files spooled beside the target catalog.
#include "common/catalog/upload_folder.h"
#include "common/catalog/upload_space.h"
#include "common/files/group_lock.h"
#include "insert/submit_application.h"

namespace {

// "10 MiB", "512 KiB", "1000 bytes".
Text byteSizeText(long long size) {
  static constexpr struct {
    long long unit;
    const char* name;
  } kUnits[] = {{1LL << 30, " GiB"}, {1LL << 20, " MiB"}, {1LL << 10, " KiB"}};
  for (const auto& unit : kUnits)
    if (size >= unit.unit && size % unit.unit == 0)
      return Text::fromInt(static_cast<long>(size / unit.unit)) + unit.name;
  return Text::fromInt(static_cast<long>(size)) + " bytes";
}

Text endingsText(const List<Text>& endings) {
  Text text;
  for (const Text& ending : endings) {
    if (!text.empty()) text += ", ";
    text += ending;
  }
  return text;
}

}  // namespace

void SubmitApplication::receiveBody() {
  if (!bodyDeferred()) return;
  const UploadLimits& limits = options.uploads;
  if (limits.allowed())
    uploads_.open(limits, catalogUploadFolder(uploadTarget().path.view()), uploadSpace());
  readDeferredBody(limits.allowed() ? &uploads_ : nullptr, limits.maxTotal, currentCharsetName());
  if (refusal() != Refusal::None)
    countSubmission(*this, "refused_" + std::string(refusalName(refusal())));
  Text endings = endingsText(limits.endings);
  Text maxFile = byteSizeText(limits.maxFile);
  Text maxTotal = byteSizeText(limits.maxTotal);
  refuseRequest(*this, {endings.view(), maxFile.view(), maxTotal.view()});
}

// The running total; counted under the lock the first time, so that no
// submission stores files between the count and its saving.
long long SubmitApplication::uploadSpace() {
  if (std::optional<long long> total = readUploadSpace(groupPath)) return *total;
  GroupLock lock;
  store_.lockGroup(lock);
  if (std::optional<long long> total = readUploadSpace(groupPath)) return *total;
  CatalogFileList catalogs;
  catalogFiles().addAllCatalogs(catalogs);
  long long total = countUploadSpace(groupPath, catalogs);
  writeUploadSpace(groupPath, total);
  return total;
}

CatalogFile SubmitApplication::uploadTarget() {
  CatalogFileList requested;
  catalogFiles().addCatalogFilesOf(requested, queryParams().find("catalog"));
  if (!requested.empty()) return requested.front();
  Text formName = chooseFormName();
  return chooseTarget(formName, findForm(formName));
}
