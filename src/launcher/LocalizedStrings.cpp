#include "launcher/LocalizedStrings.h"

#include "messages/embedded_messages.h"
#include "messages/pages.h"

namespace {

// The row chosen at the first request; -1 until then.
int32_t embeddedStringLocale = -1;

// A language's messages other than 0 and 2, which come from the shared rows.
struct OwnTexts {
  const char32_t* installFailed;     // 1
  const char32_t* cancel;            // 3
  const char32_t* pleaseWait;        // 4
  const char32_t* downloadFailed;    // 5
  const char32_t* validationFailed;  // 6
  const char32_t* verifying;         // 7
  const char32_t* noDownloadForSystem;  // 8, with its link
  const char32_t* installingPrefix;  // 9, the application name follows
  const char32_t* updatesForbidden;  // 10
};

constexpr MessageRow row(int32_t index, const OwnTexts& own) {
  const CatalogueRow& shared = kCatalogueRows[index];
  return {shared.locale,
          shared.langId,
          {shared.runtimeNotFound, own.installFailed, shared.okButton, own.cancel,
           own.pleaseWait, own.downloadFailed, own.validationFailed, own.verifying,
           own.noDownloadForSystem, own.installingPrefix, own.updatesForbidden}};
}

constexpr OwnTexts kGerman{
    .installFailed =
        U"Beim Installieren dieser Anwendung ist ein Fehler aufgetreten.\n"
        U"Bitte installieren Sie die neueste Version von Zandrel Nimbra, erhältlich unter\n"
        NIMBRA_DOWNLOAD_PAGE_DE U", und versuchen Sie es dann erneut.",
    .cancel = U"Abbrechen",
    .pleaseWait = U"Bitte warten.",
    .downloadFailed =
        U"Zandrel Nimbra kann nicht heruntergeladen werden. Vergewissern Sie sich, dass Sie mit "
        U"dem Netzwerk verbunden sind, und versuchen Sie es erneut.",
    .validationFailed =
        U"Die heruntergeladene Version von Zandrel Nimbra kann nicht überprüft werden.\n"
        U"Bitte installieren Sie die neueste Version von Zandrel Nimbra, erhältlich unter\n"
        NIMBRA_DOWNLOAD_PAGE_DE U",\nund wiederholen Sie dann die Installation dieser Anwendung.",
    .verifying = U"Download wird überprüft...",
    .noDownloadForSystem =
        U"Diese Anwendung benötigt ein Update von Zandrel Nimbra, das für Ihr System nicht "
        U"verfügbar ist. Bitte lesen Sie die <a href='" NIMBRA_REQUIREMENTS_PAGE_DE
        U"'>Systemanforderungen</a> für Zandrel Nimbra und aktualisieren Sie Ihr System "
        U"entsprechend.",
    .installingPrefix = U"Installation von ",
    .updatesForbidden =
        U"Diese Anwendung benötigt ein Update von Zandrel Nimbra, aber Ihr Administrator hat "
        U"das Herunterladen dieses Updates auf Ihrem System nicht zugelassen. Bitte wenden Sie "
        U"sich an Ihren Administrator.",
};

constexpr OwnTexts kEnglish{
    .installFailed =
        U"Something went wrong trying to install this application.\n"
        U"Please install the latest version of Zandrel Nimbra from\n" NIMBRA_DOWNLOAD_PAGE_EN
        U" and then try again.",
    .cancel = U"Cancel",
    .pleaseWait = U"Please wait.",
    .downloadFailed =
        U"Unable to download Zandrel Nimbra. Make sure that you\u2019re connected to the network "
        U"and try again.",
    .validationFailed =
        U"Unable to validate the downloaded version of Zandrel Nimbra.\n"
        U"Please install the latest version of Zandrel Nimbra from\n" NIMBRA_DOWNLOAD_PAGE_EN
        U",\nthen retry installing this application.",
    .verifying = U"Verifying download...",
    .noDownloadForSystem =
        U"This application requires an update to Zandrel Nimbra that is not available for your "
        U"system. Please view the <a href='" NIMBRA_REQUIREMENTS_PAGE_EN
        U"'>system requirements</a> for Zandrel Nimbra and update your system accordingly.",
    .installingPrefix = U"Installing ",
    .updatesForbidden =
        U"This application requires an update to Zandrel Nimbra but downloading that update on "
        U"your system is not allowed by your administrator. Please contact your administrator.",
};

constexpr OwnTexts kSpanish{
    .installFailed =
        U"Se ha producido un error al intentar instalar esta aplicación.\n"
        U"Instale la versión más reciente de Zandrel Nimbra desde\n" NIMBRA_DOWNLOAD_PAGE_ES
        U" y vuelva a intentarlo.",
    .cancel = U"Cancelar",
    .pleaseWait = U"Espere, por favor.",
    .downloadFailed =
        U"No se puede descargar Zandrel Nimbra. Asegúrese de que está conectado a la red y "
        U"vuelva a intentarlo.",
    .validationFailed =
        U"No se puede validar la versión descargada de Zandrel Nimbra.\n"
        U"Instale la versión más reciente de Zandrel Nimbra desde\n" NIMBRA_DOWNLOAD_PAGE_ES
        U"\ny luego vuelva a intentar instalar esta aplicación.",
    .verifying = U"Verificando la descarga...",
    .noDownloadForSystem =
        U"Esta aplicación requiere una actualización de Zandrel Nimbra que no está disponible "
        U"para su sistema. Consulte los <a href='" NIMBRA_REQUIREMENTS_PAGE_ES
        U"'>requisitos del sistema</a> de Zandrel Nimbra y actualice su sistema en "
        U"consecuencia.",
    .installingPrefix = U"Instalando ",
    .updatesForbidden =
        U"Esta aplicación requiere una actualización de Zandrel Nimbra, pero su administrador "
        U"no permite descargar esa actualización en su sistema. Póngase en contacto con su "
        U"administrador.",
};

constexpr OwnTexts kFrench{
    .installFailed =
        U"Une erreur s’est produite lors de l’installation de cette application.\n"
        U"Veuillez installer la dernière version de Zandrel Nimbra à l’adresse\n"
        NIMBRA_DOWNLOAD_PAGE_FR U" puis réessayer.",
    .cancel = U"Annuler",
    .pleaseWait = U"Veuillez patienter.",
    .downloadFailed =
        U"Impossible de télécharger Zandrel Nimbra. Vérifiez que vous êtes connecté au réseau "
        U"et réessayez.",
    .validationFailed =
        U"Impossible de valider la version téléchargée de Zandrel Nimbra.\n"
        U"Veuillez installer la dernière version de Zandrel Nimbra à l’adresse\n"
        NIMBRA_DOWNLOAD_PAGE_FR U",\npuis réessayer d’installer cette application.",
    .verifying = U"Vérification du téléchargement...",
    .noDownloadForSystem =
        U"Cette application nécessite une mise à jour de Zandrel Nimbra qui n’est pas "
        U"disponible pour votre système. Veuillez consulter la <a href='"
        NIMBRA_REQUIREMENTS_PAGE_FR
        U"'>configuration requise</a> de Zandrel Nimbra et mettre à jour votre système en "
        U"conséquence.",
    .installingPrefix = U"Installation de ",
    .updatesForbidden =
        U"Cette application nécessite une mise à jour de Zandrel Nimbra, mais votre "
        U"administrateur n’autorise pas le téléchargement de cette mise à jour sur votre "
        U"système. Veuillez contacter votre administrateur.",
};

constexpr OwnTexts kItalian{
    .installFailed =
        U"Si è verificato un problema durante l’installazione di questa applicazione.\n"
        U"Installare la versione più recente di Zandrel Nimbra da\n" NIMBRA_DOWNLOAD_PAGE_IT
        U" e riprovare.",
    .cancel = U"Annulla",
    .pleaseWait = U"Attendere.",
    .downloadFailed =
        U"Impossibile scaricare Zandrel Nimbra. Verificare di essere connessi alla rete e "
        U"riprovare.",
    .validationFailed =
        U"Impossibile convalidare la versione scaricata di Zandrel Nimbra.\n"
        U"Installare la versione più recente di Zandrel Nimbra da\n" NIMBRA_DOWNLOAD_PAGE_IT
        U",\nquindi riprovare a installare questa applicazione.",
    .verifying = U"Verifica del download in corso...",
    .noDownloadForSystem =
        U"Questa applicazione richiede un aggiornamento di Zandrel Nimbra che non è disponibile "
        U"per il sistema in uso. Consultare i <a href='" NIMBRA_REQUIREMENTS_PAGE_IT
        U"'>requisiti di sistema</a> di Zandrel Nimbra e aggiornare il sistema di conseguenza.",
    .installingPrefix = U"Installazione di ",
    .updatesForbidden =
        U"Questa applicazione richiede un aggiornamento di Zandrel Nimbra, ma l’amministratore "
        U"non consente di scaricare tale aggiornamento sul sistema in uso. Contattare "
        U"l’amministratore.",
};

constexpr OwnTexts kJapanese{
    .installFailed =
        U"このアプリケーションのインストール中に問題が発生しました。\n"
        U"次の場所から Zandrel Nimbra の最新バージョンをインストールしてください：\n"
        NIMBRA_DOWNLOAD_PAGE_JA U" その後、もう一度お試しください。",
    .cancel = U"キャンセル",
    .pleaseWait = U"しばらくお待ちください。",
    .downloadFailed =
        U"Zandrel Nimbra をダウンロードできません。ネットワークに接続されていることを確認して、"
        U"もう一度お試しください。",
    .validationFailed =
        U"ダウンロードした Zandrel Nimbra のバージョンを検証できません。\n"
        U"次の場所から Zandrel Nimbra の最新バージョンをインストールしてください：\n"
        NIMBRA_DOWNLOAD_PAGE_JA U"\nその後、このアプリケーションのインストールをやり直してください。",
    .verifying = U"ダウンロードを検証しています…",
    .noDownloadForSystem =
        U"このアプリケーションには、お使いのシステムでは利用できない Zandrel Nimbra の"
        U"アップデートが必要です。Zandrel Nimbra の<a href='" NIMBRA_REQUIREMENTS_PAGE_JA
        U"'>システム要件</a>を確認し、それに従ってシステムをアップデートしてください。",
    .installingPrefix = U"インストール中：",
    .updatesForbidden =
        U"このアプリケーションには Zandrel Nimbra のアップデートが必要ですが、お使いのシステムで"
        U"そのアップデートをダウンロードすることは管理者によって許可されていません。"
        U"管理者にお問い合わせください。",
};

constexpr OwnTexts kKorean{
    .installFailed =
        U"이 애플리케이션을 설치하는 중에 문제가 발생했습니다.\n"
        U"다음 위치에서 최신 버전의 Zandrel Nimbra를 설치하십시오:\n" NIMBRA_DOWNLOAD_PAGE_KO
        U" 그런 다음 다시 시도하십시오.",
    .cancel = U"취소",
    .pleaseWait = U"잠시 기다려 주십시오.",
    .downloadFailed =
        U"Zandrel Nimbra를 다운로드할 수 없습니다. 네트워크에 연결되어 있는지 확인한 후 다시 "
        U"시도하십시오.",
    .validationFailed =
        U"다운로드한 Zandrel Nimbra 버전의 유효성을 검사할 수 없습니다.\n"
        U"다음 위치에서 최신 버전의 Zandrel Nimbra를 설치하십시오:\n" NIMBRA_DOWNLOAD_PAGE_KO
        U"\n그런 다음 이 애플리케이션을 다시 설치해 보십시오.",
    .verifying = U"다운로드를 확인하는 중...",
    .noDownloadForSystem =
        U"이 애플리케이션에는 사용 중인 시스템에서 사용할 수 없는 Zandrel Nimbra 업데이트가 "
        U"필요합니다. Zandrel Nimbra의 <a href='" NIMBRA_REQUIREMENTS_PAGE_KO
        U"'>시스템 요구 사항</a>을 확인하고 그에 맞게 시스템을 업데이트하십시오.",
    .installingPrefix = U"설치 중: ",
    .updatesForbidden =
        U"이 애플리케이션에는 Zandrel Nimbra 업데이트가 필요하지만, 관리자가 사용자의 시스템에서 "
        U"해당 업데이트를 다운로드하는 것을 허용하지 않습니다. 관리자에게 문의하십시오.",
};

constexpr OwnTexts kPortuguese{
    .installFailed =
        U"Ocorreu um problema ao tentar instalar este aplicativo.\n"
        U"Instale a versão mais recente do Zandrel Nimbra em\n" NIMBRA_DOWNLOAD_PAGE_PT
        U" e tente novamente.",
    .cancel = U"Cancelar",
    .pleaseWait = U"Aguarde.",
    .downloadFailed =
        U"Não foi possível baixar o Zandrel Nimbra. Verifique se você está conectado à rede e "
        U"tente novamente.",
    .validationFailed =
        U"Não foi possível validar a versão baixada do Zandrel Nimbra.\n"
        U"Instale a versão mais recente do Zandrel Nimbra em\n" NIMBRA_DOWNLOAD_PAGE_PT
        U"\ne tente instalar este aplicativo novamente.",
    .verifying = U"Verificando o download...",
    .noDownloadForSystem =
        U"Este aplicativo requer uma atualização do Zandrel Nimbra que não está disponível para "
        U"o seu sistema. Consulte os <a href='" NIMBRA_REQUIREMENTS_PAGE_PT
        U"'>requisitos do sistema</a> do Zandrel Nimbra e atualize o seu sistema conforme "
        U"necessário.",
    .installingPrefix = U"Instalando ",
    .updatesForbidden =
        U"Este aplicativo requer uma atualização do Zandrel Nimbra, mas o download dessa "
        U"atualização no seu sistema não é permitido pelo administrador. Entre em contato com o "
        U"administrador.",
};

constexpr OwnTexts kRussian{
    .installFailed =
        U"При установке этого приложения произошла ошибка.\n"
        U"Установите последнюю версию Zandrel Nimbra с сайта\n" NIMBRA_DOWNLOAD_PAGE_RU
        U" и повторите попытку.",
    .cancel = U"Отмена",
    .pleaseWait = U"Пожалуйста, подождите.",
    .downloadFailed =
        U"Не удается загрузить Zandrel Nimbra. Убедитесь, что вы подключены к сети, и "
        U"повторите попытку.",
    .validationFailed =
        U"Не удается проверить загруженную версию Zandrel Nimbra.\n"
        U"Установите последнюю версию Zandrel Nimbra с сайта\n" NIMBRA_DOWNLOAD_PAGE_RU
        U",\nзатем повторите установку этого приложения.",
    .verifying = U"Проверка загрузки...",
    .noDownloadForSystem =
        U"Этому приложению требуется обновление Zandrel Nimbra, недоступное для вашей системы. "
        U"Ознакомьтесь с <a href='" NIMBRA_REQUIREMENTS_PAGE_RU
        U"'>системными требованиями</a> Zandrel Nimbra и обновите систему в соответствии с "
        U"ними.",
    .installingPrefix = U"Установка ",
    .updatesForbidden =
        U"Этому приложению требуется обновление Zandrel Nimbra, но загрузка этого обновления в "
        U"вашей системе запрещена администратором. Обратитесь к администратору.",
};

constexpr OwnTexts kChineseSimplified{
    .installFailed =
        U"安装此应用程序时出现问题。\n"
        U"请从以下网址安装最新版本的 Zandrel Nimbra：\n" NIMBRA_DOWNLOAD_PAGE_ZH_HANS
        U" 然后重试。",
    .cancel = U"取消",
    .pleaseWait = U"请稍候。",
    .downloadFailed = U"无法下载 Zandrel Nimbra。请确保您已连接到网络，然后重试。",
    .validationFailed =
        U"无法验证已下载的 Zandrel Nimbra 版本。\n"
        U"请从以下网址安装最新版本的 Zandrel Nimbra：\n" NIMBRA_DOWNLOAD_PAGE_ZH_HANS
        U"\n然后重新尝试安装此应用程序。",
    .verifying = U"正在验证下载…",
    .noDownloadForSystem =
        U"此应用程序需要 Zandrel Nimbra 的一项更新，但该更新不适用于您的系统。请查看 Zandrel "
        U"Nimbra 的<a href='" NIMBRA_REQUIREMENTS_PAGE_ZH_HANS
        U"'>系统要求</a>，并相应地更新您的系统。",
    .installingPrefix = U"正在安装：",
    .updatesForbidden =
        U"此应用程序需要 Zandrel Nimbra 的更新，但您的管理员不允许在您的系统上下载该更新。"
        U"请联系您的管理员。",
};

constexpr OwnTexts kChineseTraditional{
    .installFailed =
        U"安裝此應用程式時發生問題。\n"
        U"請從以下網址安裝最新版本的 Zandrel Nimbra：\n" NIMBRA_DOWNLOAD_PAGE_ZH_HANT
        U" 然後再試一次。",
    .cancel = U"取消",
    .pleaseWait = U"請稍候。",
    .downloadFailed = U"無法下載 Zandrel Nimbra。請確定您已連線到網路，然後再試一次。",
    .validationFailed =
        U"無法驗證已下載的 Zandrel Nimbra 版本。\n"
        U"請從以下網址安裝最新版本的 Zandrel Nimbra：\n" NIMBRA_DOWNLOAD_PAGE_ZH_HANT
        U"\n然後重新嘗試安裝此應用程式。",
    .verifying = U"正在驗證下載…",
    .noDownloadForSystem =
        U"此應用程式需要 Zandrel Nimbra 的一項更新，但該更新不適用於您的系統。請檢視 Zandrel "
        U"Nimbra 的<a href='" NIMBRA_REQUIREMENTS_PAGE_ZH_HANT
        U"'>系統需求</a>，並據此更新您的系統。",
    .installingPrefix = U"正在安裝：",
    .updatesForbidden =
        U"此應用程式需要 Zandrel Nimbra 的更新，但您的管理員不允許在您的系統上下載該更新。"
        U"請聯絡您的管理員。",
};

constexpr OwnTexts kCzech{
    .installFailed =
        U"Při pokusu o instalaci této aplikace došlo k chybě.\n"
        U"Nainstalujte si nejnovější verzi Zandrel Nimbra z adresy\n" NIMBRA_DOWNLOAD_PAGE_CS
        U" a potom to zkuste znovu.",
    .cancel = U"Zrušit",
    .pleaseWait = U"Čekejte prosím.",
    .downloadFailed =
        U"Zandrel Nimbra nelze stáhnout. Ujistěte se, že jste připojeni k síti, a zkuste to "
        U"znovu.",
    .validationFailed =
        U"Staženou verzi Zandrel Nimbra nelze ověřit.\n"
        U"Nainstalujte si nejnovější verzi Zandrel Nimbra z adresy\n" NIMBRA_DOWNLOAD_PAGE_CS
        U",\npotom zkuste tuto aplikaci nainstalovat znovu.",
    .verifying = U"Ověřování staženého souboru...",
    .noDownloadForSystem =
        U"Tato aplikace vyžaduje aktualizaci Zandrel Nimbra, která není pro váš systém "
        U"k dispozici. Prohlédněte si <a href='" NIMBRA_REQUIREMENTS_PAGE_CS
        U"'>systémové požadavky</a> Zandrel Nimbra a podle nich aktualizujte svůj systém.",
    .installingPrefix = U"Instalace ",
    .updatesForbidden =
        U"Tato aplikace vyžaduje aktualizaci Zandrel Nimbra, ale správce nepovolil stažení této "
        U"aktualizace ve vašem systému. Obraťte se prosím na správce.",
};

constexpr OwnTexts kDutch{
    .installFailed =
        U"Er is iets misgegaan bij het installeren van deze toepassing.\n"
        U"Installeer de nieuwste versie van Zandrel Nimbra vanaf\n" NIMBRA_DOWNLOAD_PAGE_NL
        U" en probeer het opnieuw.",
    .cancel = U"Annuleren",
    .pleaseWait = U"Een ogenblik geduld.",
    .downloadFailed =
        U"Kan Zandrel Nimbra niet downloaden. Controleer of u verbinding hebt met het netwerk en "
        U"probeer het opnieuw.",
    .validationFailed =
        U"Kan de gedownloade versie van Zandrel Nimbra niet valideren.\n"
        U"Installeer de nieuwste versie van Zandrel Nimbra vanaf\n" NIMBRA_DOWNLOAD_PAGE_NL
        U",\nen probeer deze toepassing daarna opnieuw te installeren.",
    .verifying = U"Download wordt geverifieerd...",
    .noDownloadForSystem =
        U"Voor deze toepassing is een update van Zandrel Nimbra vereist die niet beschikbaar is "
        U"voor uw systeem. Bekijk de <a href='" NIMBRA_REQUIREMENTS_PAGE_NL
        U"'>systeemvereisten</a> voor Zandrel Nimbra en werk uw systeem dienovereenkomstig bij.",
    .installingPrefix = U"Installatie van ",
    .updatesForbidden =
        U"Voor deze toepassing is een update van Zandrel Nimbra vereist, maar uw beheerder staat "
        U"het downloaden van die update op uw systeem niet toe. Neem contact op met uw "
        U"beheerder.",
};

constexpr OwnTexts kPolish{
    .installFailed =
        U"Podczas instalowania tej aplikacji wystąpił problem.\n"
        U"Zainstaluj najnowszą wersję Zandrel Nimbra ze strony\n" NIMBRA_DOWNLOAD_PAGE_PL
        U" i spróbuj ponownie.",
    .cancel = U"Anuluj",
    .pleaseWait = U"Proszę czekać.",
    .downloadFailed =
        U"Nie można pobrać Zandrel Nimbra. Upewnij się, że masz połączenie z siecią, i spróbuj "
        U"ponownie.",
    .validationFailed =
        U"Nie można zweryfikować pobranej wersji Zandrel Nimbra.\n"
        U"Zainstaluj najnowszą wersję Zandrel Nimbra ze strony\n" NIMBRA_DOWNLOAD_PAGE_PL
        U",\na następnie ponów instalację tej aplikacji.",
    .verifying = U"Weryfikowanie pobranego pliku...",
    .noDownloadForSystem =
        U"Ta aplikacja wymaga aktualizacji Zandrel Nimbra, która nie jest dostępna dla Twojego "
        U"systemu. Zapoznaj się z <a href='" NIMBRA_REQUIREMENTS_PAGE_PL
        U"'>wymaganiami systemowymi</a> Zandrel Nimbra i odpowiednio zaktualizuj system.",
    .installingPrefix = U"Instalowanie ",
    .updatesForbidden =
        U"Ta aplikacja wymaga aktualizacji Zandrel Nimbra, ale administrator nie zezwala na "
        U"pobranie tej aktualizacji w Twoim systemie. Skontaktuj się z administratorem.",
};

constexpr OwnTexts kSwedish{
    .installFailed =
        U"Något gick fel när det här programmet skulle installeras.\n"
        U"Installera den senaste versionen av Zandrel Nimbra från\n" NIMBRA_DOWNLOAD_PAGE_SV
        U" och försök sedan igen.",
    .cancel = U"Avbryt",
    .pleaseWait = U"Var god vänta.",
    .downloadFailed =
        U"Det går inte att hämta Zandrel Nimbra. Kontrollera att du är ansluten till nätverket "
        U"och försök igen.",
    .validationFailed =
        U"Det går inte att validera den hämtade versionen av Zandrel Nimbra.\n"
        U"Installera den senaste versionen av Zandrel Nimbra från\n" NIMBRA_DOWNLOAD_PAGE_SV
        U",\noch försök sedan installera det här programmet igen.",
    .verifying = U"Verifierar hämtningen...",
    .noDownloadForSystem =
        U"Det här programmet kräver en uppdatering av Zandrel Nimbra som inte är tillgänglig för "
        U"ditt system. Läs <a href='" NIMBRA_REQUIREMENTS_PAGE_SV
        U"'>systemkraven</a> för Zandrel Nimbra och uppdatera ditt system därefter.",
    .installingPrefix = U"Installerar ",
    .updatesForbidden =
        U"Det här programmet kräver en uppdatering av Zandrel Nimbra, men din administratör "
        U"tillåter inte att uppdateringen hämtas till ditt system. Kontakta din administratör.",
};

constexpr OwnTexts kTurkish{
    .installFailed =
        U"Bu uygulama yüklenmeye çalışılırken bir sorun oluştu.\n"
        U"Lütfen Zandrel Nimbra’nın en son sürümünü şu adresten yükleyin:\n"
        NIMBRA_DOWNLOAD_PAGE_TR U" ve ardından yeniden deneyin.",
    .cancel = U"İptal",
    .pleaseWait = U"Lütfen bekleyin.",
    .downloadFailed =
        U"Zandrel Nimbra indirilemiyor. Ağa bağlı olduğunuzdan emin olun ve yeniden deneyin.",
    .validationFailed =
        U"İndirilen Zandrel Nimbra sürümü doğrulanamıyor.\n"
        U"Lütfen Zandrel Nimbra’nın en son sürümünü şu adresten yükleyin:\n"
        NIMBRA_DOWNLOAD_PAGE_TR U",\nardından bu uygulamayı yeniden yüklemeyi deneyin.",
    .verifying = U"İndirme doğrulanıyor...",
    .noDownloadForSystem =
        U"Bu uygulama, sisteminiz için kullanılamayan bir Zandrel Nimbra güncellemesi "
        U"gerektiriyor. Lütfen Zandrel Nimbra’nın <a href='" NIMBRA_REQUIREMENTS_PAGE_TR
        U"'>sistem gereksinimlerini</a> inceleyin ve sisteminizi buna göre güncelleyin.",
    .installingPrefix = U"Yükleniyor: ",
    .updatesForbidden =
        U"Bu uygulama bir Zandrel Nimbra güncellemesi gerektiriyor, ancak yöneticiniz bu "
        U"güncellemenin sisteminize indirilmesine izin vermiyor. Lütfen yöneticinize başvurun.",
};

}  // namespace

constinit const MessageRow allMessages[kCatalogueRowCount] = {
    row(0, kGerman),   row(1, kEnglish),  row(2, kSpanish),           row(3, kFrench),
    row(4, kItalian),  row(5, kJapanese), row(6, kKorean),            row(7, kPortuguese),
    row(8, kRussian),  row(9, kChineseSimplified), row(10, kChineseTraditional),
    row(11, kCzech),   row(12, kDutch),   row(13, kPolish),           row(14, kSwedish),
    row(15, kTurkish), row(16, kEnglish),
};

std::optional<std::string> LocalizedStrings::getEmbeddedMessage(int32_t index) {
  if (embeddedStringLocale == -1) embeddedStringLocale = GetFatalErrorMessageIndex();
  if (static_cast<uint32_t>(index) >= static_cast<uint32_t>(kEmbeddedMessageCount)) {
    return std::nullopt;
  }
  const char32_t* text = allMessages[embeddedStringLocale].messages[index];
  if (text == nullptr) return std::nullopt;
  return wchartoNSString(text);
}

void resetEmbeddedStringLocaleForTesting() { embeddedStringLocale = -1; }
