#include "TavroCore/settings/FirstLaunchSetup.h"

#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "TavroCore/settings/AppearanceTheme.h"
#include "TavroCore/settings/LanguagePreference.h"

#include <array>

namespace tavro {
namespace {

// Preferences an earlier version of the tutor stored: their presence means
// the learner has used the tutor before.
constexpr std::array<std::string_view, 8> earlierPreferences = {
    "practiceTavroLanguage",       "practiceJapaneseKanaInput",
    "practiceDirectKeyboardMode",  "practiceJLPTLevel",
    "practiceShowRomaji.japanese", "practiceShowRomaji.nepali",
    "showJapaneseKeyboardGuide",   "tavroAccountState"};

}  // namespace

FirstLaunchSetup FirstLaunchSetup::draft(const platform::UserDefaults& store) {
  std::optional<platform::DefaultsData> data = store.data(draftKey);
  // An empty vector may hold no buffer at all, and is no draft either.
  if (!data || data->empty() || data->size() > maximumDraftSize) return {};
  try {
    return decode(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
  } catch (const json::DecodingError&) {
    return {};
  }
}

void FirstLaunchSetup::saveDraft(platform::UserDefaults& store) const {
  std::string text;
  try {
    text = encode();
  } catch (const nlohmann::json::exception&) {
    store.removeValue(draftKey);
    return;
  }
  store.set(draftKey, platform::DefaultsData(text.begin(), text.end()));
}

bool FirstLaunchSetup::shouldPresent(bool hasArchive, const platform::UserDefaults& store) {
  if (hasArchive) return false;
  if (store.boolean(completedKey) == true) return false;
  if (store.boolean(startedKey) == true) return true;
  for (std::string_view key : earlierPreferences) {
    if (store.value(key)) return false;
  }
  return true;
}

void FirstLaunchSetup::markStarted(platform::UserDefaults& store) {
  store.set(startedKey, true);
}

Archive FirstLaunchSetup::applying(const Archive& archive) const {
  Archive result = archive;
  result.appearance = std::string(rawValue(theme));
  if (practiceSound) result.sound = *practiceSound;
  result.jis = usesJIS;
  return result;
}

void FirstLaunchSetup::complete(platform::UserDefaults& store) const {
  TavroLanguages::save(language, store);
  // The Japanese switch whatever the language: the setup asks about the
  // romaji line only.
  store.set("practiceShowRomaji.japanese", showRomaji);
  store.set(keyboardGuideKey, showKeyboardGuide);
  AppearanceThemes::save(theme, store);
  store.set(completedKey, true);
  store.removeValue(draftKey);
  store.removeValue(startedKey);
}

std::string FirstLaunchSetup::encode() const {
  json::OrderedJson object = json::OrderedJson::object();
  object["language"] = std::string(rawValue(language));
  object["usesJIS"] = usesJIS;
  object["theme"] = std::string(rawValue(theme));
  object["showRomaji"] = showRomaji;
  object["showKeyboardGuide"] = showKeyboardGuide;
  if (practiceSound) object["practiceSound"] = *practiceSound;
  object["step"] = rawValue(step);
  return json::encode(object);
}

FirstLaunchSetup FirstLaunchSetup::decode(std::string_view text) {
  // An empty view may carry no buffer, which the parser must not be given.
  if (text.empty()) throw json::DecodingError("The data is not valid JSON: empty");
  json::Document document = json::Document::parse(text);
  json::Object object = document.root().object();
  FirstLaunchSetup setup;

  json::Value language = object.required("language");
  std::optional<TavroLanguage> decodedLanguage = fromRawValue<TavroLanguage>(language.stringView());
  if (!decodedLanguage)
    throw json::DecodingError("Expected a practice language for " + language.name());
  setup.language = *decodedLanguage;

  setup.usesJIS = object.boolean("usesJIS");

  json::Value theme = object.required("theme");
  std::optional<AppearanceTheme> decodedTheme = fromRawValue<AppearanceTheme>(theme.stringView());
  if (!decodedTheme) throw json::DecodingError("Expected a theme name for " + theme.name());
  setup.theme = *decodedTheme;

  setup.showRomaji = object.boolean("showRomaji");
  setup.showKeyboardGuide = object.boolean("showKeyboardGuide");
  setup.practiceSound = object.optionalString("practiceSound");

  json::Value step = object.required("step");
  // A whole number written with a fraction or exponent (2.0, 2e0) is the
  // same step; anything else is not a step.
  std::optional<SetupStep> decodedStep;
  if (step.kind() == json::Kind::integer) {
    decodedStep = SetupSteps::fromRawValue(step.integer());
  } else {
    double number = step.number();
    for (SetupStep candidate : SetupSteps::allCases) {
      if (number == static_cast<double>(rawValue(candidate))) decodedStep = candidate;
    }
  }
  if (!decodedStep) throw json::DecodingError("Expected a setup step (1 to 5) for " + step.name());
  setup.step = *decodedStep;
  return setup;
}

}  // namespace tavro
