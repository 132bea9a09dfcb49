#include "tools/fg/models/TypeCodes.h"

#include "config_control/ConfigControl.h"

#include <algorithm>
#include <cctype>

namespace {
const char kRevision[] = "%Z% CorvaneFgModels QX5004:04 TypeCodes.cpp $Revision: 1.1 $";

ModuleRevisions revisions{"CorvaneFgModels", kTypeCodesHeaderRevision, kRevision};

// Every folder of AI/Aircraft in FlightGear 2020.3. A folder with no designator of its own (a
// boat, a balloon, a glider without one) is listed under its own name, so that it is still
// known and reachable from an override.
constexpr TypeFolder kTable[] = {
    {"BCS3", "220"},
    {"BCS1", "220"},
    {"A339", "339"},
    {"B712", "717"},
    {"B722", "727"},
    {"B721", "727"},
    {"B733", "733"},
    {"B734", "734"},
    {"B735", "735"},
    {"B736", "736"},
    {"B738", "738"},
    {"B739", "739"},
    {"B744", "747"},
    {"B748", "747"},
    {"B742", "747"},
    {"B741", "747"},
    {"B743", "747"},
    {"B752", "757"},
    {"B753", "757"},
    {"B762", "767"},
    {"B763", "767"},
    {"B764", "767"},
    {"B772", "777"},
    {"B77W", "777"},
    {"B77L", "777"},
    {"B773", "777"},
    {"B788", "787"},
    {"B789", "787"},
    {"B78X", "787"},
    {"A306", "A300"},
    {"A30B", "A300"},
    {"A310", "A310"},
    {"A319", "A319"},
    {"A320", "A320"},
    {"A321", "A321"},
    {"A332", "A332"},
    {"A332", "A330-MRTT"},
    {"A333", "A333"},
    {"A342", "A342"},
    {"A343", "A343"},
    {"A345", "A345"},
    {"A346", "A346"},
    {"A359", "A350"},
    {"A35K", "A350"},
    {"A388", "A380"},
    {"ZERO", "A6M2"},
    {"AT43", "AT4"},
    {"AT45", "AT4"},
    {"AT46", "AT4"},
    {"AT72", "AT7"},
    {"AT75", "AT7"},
    {"AT76", "AT7"},
    {"ARUP", "Arup-S2"},
    {"B463", "BAE146-300"},
    {"H25B", "BAe-125"},
    {"H25A", "BAe-125"},
    {"BN2P", "BNI"},
    {"BN2T", "BNI"},
    {"B462", "Bae146-200"},
    {"B461", "Bae146-200"},
    {"BE17", "Beechcraft-Staggerwing"},
    {"CL60", "Bombardier-Challenger"},
    {"CL30", "Bombardier-Challenger"},
    {"BUCC", "Buccaneer"},
    {"GL5T", "CCX"},
    {"GLEX", "CCX"},
    {"CRJ2", "CR2"},
    {"CRJ1", "CR2"},
    {"CRJ7", "CR7"},
    {"CRJ9", "CR9"},
    {"CRJX", "CR9"},
    {"C421", "Cessna-421-Golden-Eagle"},
    {"C208", "Cessna208Caravan"},
    {"C337", "Cessna337"},
    {"C550", "Citation-Bravo"},
    {"J3", "Cub"},
    {"PA18", "Cub"},
    {"DH8C", "DH3"},
    {"DH8A", "DH3"},
    {"DH8B", "DH3"},
    {"DH8D", "DH4"},
    {"DHC7", "DH7"},
    {"DH82", "DH82"},
    {"DHC6", "DHT"},
    {"DR40", "DR400"},
    {"DA42", "Diamond-Da42"},
    {"DRAG", "Dragonfly"},
    {"M18", "Dromader"},
    {"E2", "E-2C"},
    {"E170", "E70"},
    {"E75L", "E70"},
    {"E75S", "E70"},
    {"E190", "E90"},
    {"E195", "E95"},
    {"E145", "ERJ145"},
    {"E135", "ERJ145"},
    {"E45X", "ERJ145"},
    {"E35L", "Embraer-Legacy"},
    {"F15", "F-15"},
    {"F18H", "F-18"},
    {"F18S", "F-18"},
    {"F4", "F-4"},
    {"FK9", "FK9MK2"},
    {"FERRY", "Ferry"},
    {"F100", "Fokker-100"},
    {"F50", "Fokker-50"},
    {"F70", "Fokker-70"},
    {"S11", "Fokker-S-11"},
    {"G164", "G-164"},
    {"VIGN", "JA37"},
    {"JS41", "JS41"},
    {"JAGR", "Jaguar-GR1"},
    {"LTNG", "Lightning"},
    {"MD11", "M11"},
    {"MD82", "MD80"},
    {"MD83", "MD80"},
    {"MD81", "MD80"},
    {"MD87", "MD80"},
    {"MD88", "MD80"},
    {"MD90", "MD90"},
    {"MG21", "MiG-21bis"},
    {"MIR2", "Mirage2000"},
    {"I16", "Polikarpov-I16"},
    {"SF34", "SF3"},
    {"SR71", "SR-71"},
    {"SB20", "Saab-2000"},
    {"SHUTTLE", "SpaceShuttle"},
    {"SPIT", "Spitfire"},
    {"T38", "T-38"},
    {"B190", "b1900d"},
    {"BALL", "balloon"},
    {"BE20", "beech-200"},
    {"BE99", "beech99"},
    {"ME09", "bf109"},
    {"BLUEBIRD", "bluebird"},
    {"C172", "c172"},
    {"C177", "c177"},
    {"C182", "c182"},
    {"C82R", "c182rg"},
    {"C310", "c310"},
    {"C310", "c310u3a"},
    {"PEGA", "centrair-101"},
    {"CRIC", "cri-cri"},
    {"ERCO", "ercoupe"},
    {"EUFI", "eurofighter"},
    {"F14", "f-14b"},
    {"F16", "f16"},
    {"FLASH", "flash2a"},
    {"P28A", "pa-28"},
    {"P28B", "pa-28"},
    {"P28R", "pa-28"},
    {"SEAHAWK", "seahawk"},
    {"T154", "tu154b"},
    {"VULC", "vulcanb2"},
};

bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) ==
               std::toupper(static_cast<unsigned char>(y));
    });
}
} // namespace

std::vector<std::string_view> FoldersOfType(std::string_view designator) {
    revisions.Register();
    std::vector<std::string_view> folders;
    for (const TypeFolder& row : kTable) {
        if (SameLetters(row.designator, designator)) {
            folders.emplace_back(row.folder);
        }
    }
    if (!designator.empty()) {
        folders.push_back(designator);
    }
    return folders;
}

std::span<const TypeFolder> TypeFolderTable() {
    return kTable;
}
