// The catalogue's language rows, shared by the tables of both programs, with
// the two texts that both programs show. Each program's table takes its
// locale, langId and these texts from here, so they cannot drift apart.
#pragma once

#include "messages/pages.h"

#include <cstdint>

inline constexpr int32_t kCatalogueRowCount = 17;
// Used when no preferred language matches; never compared.
inline constexpr int32_t kFallbackRow = 16;

struct CatalogueRow {
  const char* locale;  // "" in the fallback row
  int langId;          // Windows language identifier; nothing reads it
  const char32_t* runtimeNotFound;  // the bootstrapper's message 0, the stub's message
  const char32_t* okButton;         // the bootstrapper's message 2, the stub's button
};

inline constexpr const char32_t* kEnglishRuntimeNotFound =
    U"This application requires a version of Zandrel Nimbra which cannot be found.\n"
    U"Please download the latest version of the runtime from\n" NIMBRA_DOWNLOAD_PAGE_EN
    U",\nor contact the application author for an updated version.";

inline constexpr CatalogueRow kCatalogueRows[kCatalogueRowCount] = {
    {"de", 0x0407,
     U"Diese Anwendung benötigt eine Version von Zandrel Nimbra, die nicht gefunden werden kann.\n"
     U"Bitte laden Sie die neueste Version der Laufzeitumgebung unter\n" NIMBRA_DOWNLOAD_PAGE_DE
     U" herunter\noder wenden Sie sich an den Autor der Anwendung, um eine aktualisierte Version "
     U"zu erhalten.",
     U"OK"},
    {"en", 0x0409, kEnglishRuntimeNotFound, U"OK"},
    {"es", 0x0C0A,
     U"Esta aplicación requiere una versión de Zandrel Nimbra que no se puede encontrar.\n"
     U"Descargue la versión más reciente del entorno de ejecución desde\n" NIMBRA_DOWNLOAD_PAGE_ES
     U"\no póngase en contacto con el autor de la aplicación para obtener una versión "
     U"actualizada.",
     U"Aceptar"},
    {"fr", 0x040C,
     U"Cette application nécessite une version de Zandrel Nimbra qui est introuvable.\n"
     U"Veuillez télécharger la dernière version de l’environnement d’exécution à l’adresse\n"
     NIMBRA_DOWNLOAD_PAGE_FR
     U"\nou contacter l’auteur de l’application pour obtenir une version mise à jour.",
     U"OK"},
    {"it", 0x0410,
     U"Questa applicazione richiede una versione di Zandrel Nimbra che non è stata trovata.\n"
     U"Scaricare la versione più recente del runtime da\n" NIMBRA_DOWNLOAD_PAGE_IT
     U",\noppure contattare l’autore dell’applicazione per ottenere una versione aggiornata.",
     U"OK"},
    {"ja", 0x0411,
     U"このアプリケーションに必要なバージョンの Zandrel Nimbra が見つかりません。\n"
     U"次の場所からランタイムの最新バージョンをダウンロードしてください：\n" NIMBRA_DOWNLOAD_PAGE_JA
     U"\nまたは、アプリケーションの開発元に更新版についてお問い合わせください。",
     U"OK"},
    {"ko", 0x0412,
     U"이 애플리케이션에 필요한 버전의 Zandrel Nimbra를 찾을 수 없습니다.\n"
     U"다음 위치에서 최신 버전의 런타임을 다운로드하십시오:\n" NIMBRA_DOWNLOAD_PAGE_KO
     U"\n또는 애플리케이션 개발자에게 업데이트된 버전을 문의하십시오.",
     U"확인"},
    {"pt", 0x0416,
     U"Este aplicativo requer uma versão do Zandrel Nimbra que não foi encontrada.\n"
     U"Baixe a versão mais recente do ambiente de execução em\n" NIMBRA_DOWNLOAD_PAGE_PT
     U"\nou entre em contato com o autor do aplicativo para obter uma versão atualizada.",
     U"OK"},
    {"ru", 0x0419,
     U"Этому приложению требуется версия Zandrel Nimbra, которую не удается найти.\n"
     U"Загрузите последнюю версию среды выполнения с сайта\n" NIMBRA_DOWNLOAD_PAGE_RU
     U"\nили обратитесь к автору приложения за обновленной версией.",
     U"ОК"},
    {"zh-Hans", 0x0804,
     U"找不到此应用程序所需的 Zandrel Nimbra 版本。\n"
     U"请从以下网址下载最新版本的运行时：\n" NIMBRA_DOWNLOAD_PAGE_ZH_HANS
     U"\n或联系应用程序作者以获取更新版本。",
     U"确定"},
    {"zh-Hant", 0x0404,
     U"找不到此應用程式所需的 Zandrel Nimbra 版本。\n"
     U"請從以下網址下載最新版本的執行階段：\n" NIMBRA_DOWNLOAD_PAGE_ZH_HANT
     U"\n或聯絡應用程式作者以取得更新版本。",
     U"確定"},
    {"cs", 0x0405,
     U"Tato aplikace vyžaduje verzi Zandrel Nimbra, kterou nelze najít.\n"
     U"Stáhněte si nejnovější verzi běhového prostředí z adresy\n" NIMBRA_DOWNLOAD_PAGE_CS
     U"\nnebo požádejte autora aplikace o aktualizovanou verzi.",
     U"OK"},
    {"nl", 0x0413,
     U"Voor deze toepassing is een versie van Zandrel Nimbra vereist die niet kan worden "
     U"gevonden.\n"
     U"Download de nieuwste versie van de runtime vanaf\n" NIMBRA_DOWNLOAD_PAGE_NL
     U",\nof neem contact op met de auteur van de toepassing voor een bijgewerkte versie.",
     U"OK"},
    {"pl", 0x0415,
     U"Ta aplikacja wymaga wersji Zandrel Nimbra, której nie można znaleźć.\n"
     U"Pobierz najnowszą wersję środowiska wykonawczego ze strony\n" NIMBRA_DOWNLOAD_PAGE_PL
     U"\nlub skontaktuj się z autorem aplikacji w sprawie zaktualizowanej wersji.",
     U"OK"},
    {"sv", 0x041D,
     U"Det här programmet kräver en version av Zandrel Nimbra som inte kan hittas.\n"
     U"Hämta den senaste versionen av körningsmiljön från\n" NIMBRA_DOWNLOAD_PAGE_SV
     U",\neller kontakta programmets utvecklare för en uppdaterad version.",
     U"OK"},
    {"tr", 0x041F,
     U"Bu uygulamanın gerektirdiği Zandrel Nimbra sürümü bulunamıyor.\n"
     U"Lütfen çalışma zamanının en son sürümünü şu adresten indirin:\n" NIMBRA_DOWNLOAD_PAGE_TR
     U"\nya da güncel bir sürüm için uygulamanın geliştiricisiyle iletişime geçin.",
     U"Tamam"},
    {"", 0, kEnglishRuntimeNotFound, U"OK"},
};
