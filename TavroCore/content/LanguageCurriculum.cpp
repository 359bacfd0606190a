#include "TavroCore/content/LanguageCurriculum.h"

#include "Support/Text.h"

#include <algorithm>

namespace tavro::LanguageCurriculum {

namespace {

struct Texts {
  std::vector<std::string> englishTitles;
  std::vector<std::string> nepaliTitles;
  std::vector<std::string> english;  // rounds 1 to 6
  std::vector<std::string> nepali;   // rounds 1 to 6
};

const Texts& texts() {
  static const Texts built = [] {
    Texts result;
    // clang-format off
    result.englishTitles = {
        "Home Row & Basic Keys",
        "Short Common Words",
        "Everyday Vocabulary & Capitals",
        "Phrases & Punctuation",
        "Everyday & Professional Sentences",
        "Advanced Text, Numbers & Symbols",
    };
    result.nepaliTitles = {
        "Vowels & Consonants",
        "Simple Nepali Words",
        "Conjuncts & Matras",
        "Everyday Nepali Expressions",
        "Complete Nepali Sentences",
        "Complex Sentences, Idioms & Numbers",
    };
    result.english = {
        // English, rounds 1 to 6
        "a|s|d|f|j|k|l|;|as|df|jk|l;|asdf|jkl;|fj|dk|sl|a;",
        "an|at|be|by|do|go|he|if|in|is|it|me|my|no|of|on|or|so|to|up|we|book|home|time|work",
        "family|friend|garden|morning|window|travel|weather|picture|language|practice|Monday|Friday|Japan|Nepal|English|Tokyo|Kathmandu|Welcome|Thank you|Good morning",
        "Hello, world!|How are you?|See you soon.|Please come in.|Yes, I can.|No, thank you.|What is your name?|Have a nice day!|Let's get started.|Keep going!|Ready, set, go!|Practice makes progress.",
        "I practice typing every day.|Please send the report by Friday.|The meeting starts at nine o'clock.|Could you check this document, please?|Thank you for your helpful feedback.|We will review the schedule tomorrow.|I enjoy learning something new.|Our team works together to solve problems.|Please let me know if you have any questions.|A short break helps me stay focused.",
        "The project reached 95% completion in 2026; the remaining 5% requires careful review.|Plan A costs $125.50, while Plan B costs $98.75. Which option offers better value?|Use a strong password: combine letters, numbers, and symbols such as #, &, and !.|At 10:30, the team reviewed 3 priorities: quality, reliability, and speed.|Accuracy comes first. Build a steady rhythm, then increase your speed without losing control.|Please email support@example.com before 5:00 PM; include order #2048 in the subject.|The calculation is simple: (12 + 8) * 3 = 60. Check every digit and symbol.|Learning takes patience. Consistent practice turns small improvements into lasting skills.",
    };
    result.nepali = {
        // Nepali, rounds 1 to 6
        "अ/a|आ/aa|इ/i|ई/ii|उ/u|ऊ/uu|ए/e|ऐ/ai|ओ/o|औ/au|क/ka|ख/kha|ग/ga|घ/gha|च/cha|छ/chha",
        "घर/ghar|पानी/pani/paani|किताब/kitab/kitaab|नेपाल/nepal/nepaal|आमा/aama/ama|बुबा/buba/buwa|दाइ/dai|भाइ/bhai|दिदी/didi|बहिनी/bahini|साथी/sathi/saathi|खाना/khana/khaana|बाटो/bato/baato|गाउँ/gaun/gaaun|सहर/sahar/shahar|फूल/phool/phul|रात/raat/rat|दिन/din|नाम/naam/nam|काम/kaam/kam|देश/desh|भाषा/bhasha/bhaasha|समय/samaya/samay|राम्रो/ramro|सानो/sano/saano",
        "नमस्ते/namaste|विद्यालय/vidyalaya/bidyalaya|प्रेम/prem|राष्ट्र/rashtra/rastra|मित्र/mitra|शिक्षा/shiksha/siksha|विद्यार्थी/vidyarthi/bidyarthi|स्वास्थ्य/swasthya|प्रश्न/prashna|उत्तर/uttar|ज्ञान/gyan/gyaan|शक्ति/shakti|शान्ति/shanti/shaanti|स्वतन्त्र/swatantra|व्यक्ति/vyakti/byakti|संस्कृति/sanskriti|प्रगति/pragati|अभ्यास/abhyas/abhyaas|सत्य/satya|लक्ष्य/lakshya/laksya",
        "सन्चै हुनुहुन्छ?/sanchai hunuhunchha?/sanchai hunuhuncha?|धेरै धन्यवाद।/dherai dhanyabad./dherai dhanyavaad.|शुभ प्रभात।/shubha prabhat.|फेरि भेटौँला।/pheri bhetaula.|कृपया बस्नुहोस्।/kripaya basnuhos.|मलाई सहयोग चाहिन्छ।/malai sahayog chahinchha.|तपाईंको नाम के हो?/tapaiko naam ke ho?|मेरो नाम राम हो।/mero naam ram ho.|यो कति पर्छ?/yo kati parchha?|माफ गर्नुहोस्।/maaf garnuhos.|राम्रो यात्रा होस्।/ramro yatra hos.|बिस्तारै बोल्नुहोस्।/bistarai bolnuhos.",
        "मेरो देश नेपाल हो।/mero desh nepal ho.|म हरेक दिन अभ्यास गर्छु।/ma harek din abhyas garchhu.|हामी सँगै काम गर्छौँ।/hami sangai kaam garchhau.|आज मौसम राम्रो छ।/aaja mausam ramro chha.|म नयाँ कुरा सिक्न चाहन्छु।/ma naya kura sikna chahanchhu.|मेहनतले सफलता मिल्छ।/mehanatle safalata milchha.|समयको सही उपयोग गरौँ।/samayako sahi upayog garau.|हामीले एकअर्कालाई सहयोग गर्नुपर्छ।/hamile ekarkalai sahayog garnuparchha.|कृपया भोलिको बैठकमा आउनुहोस्।/kripaya bholiko baithakma aaunuhos.|मैले आज एउटा किताब पढेँ।/maile aaja euta kitab padhe.|शिक्षाले जीवन उज्यालो बनाउँछ।/shikshale jiwan ujyalo banauchha.|सबैको विचार सुन्नु महत्त्वपूर्ण हुन्छ।/sabaiko bichar sunnu mahatwapurna hunchha.",
        "जहाँ इच्छा, त्यहाँ उपाय।/jaha ichchha, tyaha upaya.|एकता नै बल हो।/ekata nai bal ho.|धैर्य र निरन्तर प्रयासले कठिन लक्ष्य पनि पूरा गर्न सकिन्छ।/dhairya ra nirantar prayasle kathin lakshya pani pura garna sakincha.|सन् २०२६ मा हामीले २५ वटा नयाँ योजना बनायौँ।/san 2026 ma hamile 25 wata naya yojana banayau.|बिहान ९:३० बजे बैठक सुरु हुन्छ।/bihan 9:30 baje baithak suru hunchha.|प्रविधिको सही प्रयोगले शिक्षा र स्वास्थ्यमा सुधार ल्याउन सक्छ।/prabidhiko sahi prayogle shiksha ra swasthyama sudhar lyauna sakchha.|प्रकृतिको संरक्षण गर्नु हामी सबैको साझा जिम्मेवारी हो।/prakritiko sanrakshan garnu hami sabaiko sajha jimmewari ho.|असफलताबाट सिक्दै अघि बढ्नु नै सफलताको आधार हो।/asafalatabata sikdai aghi badhnu nai safalatako aadhar ho.",
    };
    // clang-format on
    return result;
  }();
  return built;
}

// English entries are typed as shown.
std::vector<LanguagePrompt> english(std::string_view text) {
  std::vector<LanguagePrompt> prompts;
  for (std::string_view entry : text::split(text, '|')) {
    if (!entry.empty()) prompts.emplace_back(entry, std::string(entry));
  }
  return prompts;
}

// Nepali entries are display/roman followed by any variants. An entry
// without a roman part is typed as shown.
std::vector<LanguagePrompt> nepali(std::string_view text) {
  std::vector<LanguagePrompt> prompts;
  for (std::string_view entry : text::split(text, '|')) {
    if (entry.empty()) continue;
    const std::vector<std::string_view> parts = text::split(entry, '/');
    std::optional<std::string> roman;
    if (parts.size() > 1) roman = std::string(parts[1]);
    std::vector<std::string> variants;
    for (std::size_t i = 2; i < parts.size(); ++i) variants.emplace_back(parts[i]);
    prompts.emplace_back(parts[0], roman, std::move(variants));
  }
  return prompts;
}

std::vector<LanguagePrompt> parsed(TavroLanguage language, std::int64_t round) {
  const Texts& stored = texts();
  const auto index = static_cast<std::size_t>(round - 1);
  return language == TavroLanguage::english ? english(stored.english[index])
                                            : nepali(stored.nepali[index]);
}

bool containsScalar(const std::vector<char32_t>& scalars, char32_t c) {
  return std::find(scalars.begin(), scalars.end(), c) != scalars.end();
}

std::vector<LanguagePrompt> weakRound(TavroLanguage language, std::string_view weakKeys) {
  std::vector<LanguagePrompt> pool;
  for (std::int64_t round = 2; round <= 6; ++round) {
    for (LanguagePrompt& prompt : parsed(language, round)) pool.push_back(std::move(prompt));
  }
  const std::vector<char32_t> keys = text::codePoints(weakKeys);
  std::vector<LanguagePrompt> kept;
  for (const LanguagePrompt& prompt : pool) {
    const std::vector<char32_t> roman = text::codePoints(text::lowercased(prompt.roman));
    const std::vector<char32_t> display = text::codePoints(prompt.display);
    const bool matches = std::any_of(keys.begin(), keys.end(), [&](char32_t key) {
      return containsScalar(roman, key) || containsScalar(display, key);
    });
    if (matches) kept.push_back(prompt);
  }
  return kept.empty() ? pool : kept;
}

}  // namespace

const std::vector<std::string>& englishTitles() {
  return texts().englishTitles;
}

const std::vector<std::string>& nepaliTitles() {
  return texts().nepaliTitles;
}

std::vector<LanguagePrompt> prompts(TavroLanguage language, std::int64_t round,
                                    std::string_view weakKeys) {
  if (language != TavroLanguage::english && language != TavroLanguage::nepali) return {};
  if (round >= 1 && round <= 6) return parsed(language, round);
  if (round == 7) return weakRound(language, weakKeys);
  return {};
}

}  // namespace tavro::LanguageCurriculum
