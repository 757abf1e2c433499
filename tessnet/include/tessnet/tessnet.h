/* Public interface of libtessnet.so: sixteen C functions, the host descriptor that receives
 * notifications, and the byte layouts of the records the library hands to its host.
 *
 * Every record is byte-packed and little-endian. Read fields with the TESS_*_OFF_* offsets and
 * memcpy, never by casting a struct over the bytes. Text fields are zero-terminated GBK. */
#ifndef TESSNET_TESSNET_H
#define TESSNET_TESSNET_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TESSNET_API __attribute__((visibility("default")))
#else
#define TESSNET_API
#endif

/* ---- Host descriptor ------------------------------------------------------------------------
 * Replaces the host window. The library keeps a copy of the struct (not of the pointer); zero-fill
 * it before setting the members, so that members added later read as null.
 *
 * post:        required; callable from any thread. Runs fn(arg) later on the host's UI thread
 *              (the thread that called InitFtpDll and calls every export). Each posted call must
 *              run exactly once, or never if the host shuts down.
 * window_proc: receives every notification on the host's UI thread: message is the number given
 *              to InitFtpDll, type the notification type (0..255), record the library's record,
 *              valid only during the call. The notifying library thread waits meanwhile; the host
 *              may call any export from inside, including DisconnectServer for that account.
 * message_box: the library's own message boxes (read errors, payment reminder), called on the UI
 *              thread; text and caption are UTF-8; icon is one of TESS_ICON_*. The library thread
 *              that shows it waits until the call returns. May be null (boxes are then skipped).
 * log:         one line (UTF-8, no line end) about something the library refused or failed at on
 *              its own: a refused name or chunk, a failed disk write, a read error, a connect that
 *              failed, an upload that ended early. A kind of line repeated on one connection is
 *              written ten times, then counted: one line as the count reaches 10, 100, 1000 ...
 *              and one with the rest when the connection closes. Called on any library thread,
 *              the host's included; it must not call the library, and is not called once
 *              FreeFtpDll has returned. Null: the lines go to standard error. */
typedef struct TessHost {
    void* context;
    void (*post)(void* context, void (*fn)(void* arg), void* arg);
    void (*window_proc)(void* context, int message, int type, const void* record);
    void (*message_box)(void* context, const char* text, const char* caption, int icon);
    void (*log)(void* context, const char* line);
} TessHost;

enum { TESS_ICON_INFORMATION = 0, TESS_ICON_WARNING = 1, TESS_ICON_ERROR = 2 };

/* ---- Exports (ordinals 1 to 16) -------------------------------------------------------------
 * Request results: 1 handed to the connection (or queued); 0 connection could not be started or a
 * required argument was missing; -1 no connection registered for the account number (exact,
 * case-sensitive) or upload refused; -2 the packet does not fit into 8192 bytes.
 * Local paths (directory, UploadFile's path) are UTF-8; stored file names are GBK.
 *
 * No export waits for the network. ConnectServer and RegisterUser register the connection and
 * return 1 at once (0 for an address that is not numeric, or a connect the system refuses at once,
 * as for a closed port of this machine); the connect, the login or registration packet and a bound
 * of 10 s for the server to take the connection run on the connection's own threads, and a
 * connect that fails later reaches the host as notice 42 for that account. A request is handed to
 * the connection's sender thread, which sends it in order; a request still unsent when the host
 * disconnects is dropped.
 *
 * A download is written beside its target under a name of the library's own and takes the
 * target's name only once every chunk arrived in order and was written; only then comes its
 * 100% progress. A download that fails (its name refused, a chunk missing, damaged, contradicting
 * the file or not written, or the connection closed before its end) is removed, an older file of
 * that name stays, and the host hears of it as a type 7 with status 0: the server's answer for
 * that file, or one the library makes before notice 42 when the server closes first, with the
 * file name and a message of the library's own (TESS_DOWNLOAD_ANSWER_OFF_*).
 * An upload the library gives up on its own (its file cannot be opened, became empty or shorter
 * while it was sent, or its announcement or a chunk could not be built or sent) is answered like a
 * refusal by the server: a type 9 with status 0, reason 5, the file name and a text of the
 * library's own (TESS_UPLOAD_ANSWER_OFF_*), after the file's last progress. The file is out of the
 * queue by then (its name may be queued again), and type 33 follows when the queue is empty.
 * Progress (type 254) comes for a file's first chunk, whenever its percentage (number or text)
 * changes, and for its last: one notice per chunk for files of up to 100 chunks.
 * A configuration file (DownLoadIni) is written only under the name asked for on that connection
 * (a plain name not beginning with '.'), into the working folder of the first InitFtpDll, and
 * replaces the old file only once complete; the connection closes after the last file asked for. */
TESSNET_API int InitFtpDll(const TessHost* host, int message, const char* downloadDirectory);
TESSNET_API int FreeFtpDll(void);
TESSNET_API int ConnectServer(const char* address, int port, const char* account,
                              const char* password);
TESSNET_API int DisconnectServer(const char* account);
TESSNET_API int UploadFile(const char* sender, const char* account, const char* localPath);
TESSNET_API int DownLoad(const char* account, const char* storedName);
TESSNET_API int DelFile(const char* account, const char* storedName);
TESSNET_API int ListFile(const char* account);
/* profile: a UserProfile record of TESS_USER_PROFILE_SIZE bytes. */
TESSNET_API int RegisterUser(const char* address, int port, const void* profile);
TESSNET_API int ModifyUser(const void* profile);
/* friendRecord: a FriendRecord of TESS_FRIEND_RECORD_SIZE bytes. */
TESSNET_API int AddFriend(const char* account, const void* friendRecord);
TESSNET_API int DelFriend(const char* account, const char* friendAccount);
TESSNET_API int ModifyFriend(const char* account, const void* friendRecord);
TESSNET_API int Confirm(const char* account, const char* storedName, int goAhead);
TESSNET_API int DownLoadIni(const char* account, const char* configName);
TESSNET_API int SendData(const char* account, const void* payload, int length, int command);

/* ---- Sizes shared with the host -------------------------------------------------------------- */
#define TESS_ACCOUNT_SIZE 32
#define TESS_NAME_SIZE 260
#define TESS_USER_PROFILE_SIZE 1091
#define TESS_FRIEND_RECORD_SIZE 96

/* ---- Notification types (window_proc's type) -------------------------------------------------
 * ReplyRecord: every type except 33, 42 and 254. */
#define TESS_NOTE_LOGIN 1
#define TESS_NOTE_REGISTER 3
#define TESS_NOTE_LIST_SUMMARY 5
#define TESS_NOTE_DOWNLOAD_ANSWER 7
#define TESS_NOTE_UPLOAD_ANSWER 9
#define TESS_NOTE_DELETE 11
#define TESS_NOTE_ADD_FRIEND 13
#define TESS_NOTE_DEL_FRIEND 15
#define TESS_NOTE_MODIFY_FRIEND 17
#define TESS_NOTE_MODIFY_USER 19
#define TESS_NOTE_ADDRESS_BOOK 28
#define TESS_NOTE_SERVER_DATA 29
#define TESS_NOTE_FILE_ENTRIES 30
#define TESS_NOTE_OWN_PROFILE 32
#define TESS_NOTE_QUEUE_EMPTY 33   /* QueueEmptyRecord */
#define TESS_NOTE_SERVER_NOTICE 37 /* never sent by this library; hosts show it like 39 */
#define TESS_NOTE_NOTICE 39
#define TESS_NOTE_CARD_ANSWER 41
#define TESS_NOTE_DISCONNECTED 42 /* record: the account number, a zero-terminated string */
#define TESS_NOTE_PROGRESS 254    /* ProgressRecord */

/* ReplyRecord (16384 bytes, zero-filled before use). */
#define TESS_REPLY_SIZE 16384
#define TESS_REPLY_OFF_KIND 0         /* u8: 0, 1 or the type itself */
#define TESS_REPLY_OFF_STATUS 1       /* u8: server result byte; 1 = success */
#define TESS_REPLY_OFF_ACCOUNT 2      /* char[32] */
#define TESS_REPLY_OFF_DATA_LENGTH 34 /* u16 */
#define TESS_REPLY_OFF_DATA 36        /* up to TESS_REPLY_DATA_MAX bytes */
#define TESS_REPLY_DATA_MAX 16348

/* Where a reply's fields lie in its data. Texts are zero-terminated; types 1, 3, 5, 11 and 19
 * carry a text at offset 0. */
#define TESS_UPLOAD_ANSWER_OFF_REASON 0   /* type 9: u8, 3 exists, 4 received, others refused */
#define TESS_UPLOAD_ANSWER_OFF_NAME 1     /* char[260]: the announced file's name */
#define TESS_UPLOAD_ANSWER_OFF_TEXT 262   /* text */
#define TESS_DOWNLOAD_ANSWER_OFF_NAME 0   /* type 7: char[260], the plain file name */
#define TESS_DOWNLOAD_ANSWER_OFF_TEXT 260 /* text */
#define TESS_FRIEND_ANSWER_OFF_NUMBER 0   /* types 13, 15, 17: char[32], the friend's number */
#define TESS_FRIEND_ANSWER_OFF_KEY 32     /* char[32]: the friend's public key (17) */
#define TESS_FRIEND_ANSWER_OFF_TEXT 64    /* text */
#define TESS_NOTICE_OFF_TEXT 1            /* types 37, 39: text after the result code */

/* ProgressRecord (331 bytes), type 254. */
#define TESS_PROGRESS_SIZE 331
#define TESS_PROGRESS_OFF_DIRECTION 0      /* u8: 0 upload, 1 download */
#define TESS_PROGRESS_OFF_FILE_NAME 1      /* char[260], GBK */
#define TESS_PROGRESS_OFF_ACCOUNT 261      /* char[32] */
#define TESS_PROGRESS_OFF_FILE_SIZE 293    /* u32 */
#define TESS_PROGRESS_OFF_PERCENT_TEXT 297 /* char[32], e.g. "33%" */
#define TESS_PROGRESS_OFF_PERCENT 329      /* u16, truncated */

/* QueueEmptyRecord (34 bytes), type 33. */
#define TESS_QUEUE_EMPTY_SIZE 34
#define TESS_QUEUE_EMPTY_OFF_ACCOUNT 0 /* char[32] */
#define TESS_QUEUE_EMPTY_OFF_ZERO 32   /* u16, always 0 */

/* ChunkBody: payload of command 31 (both directions) and 129; 312-byte head, then the data. */
#define TESS_CHUNK_HEAD_SIZE 312
#define TESS_CHUNK_DATA_MAX 7848        /* largest chunk the library sends */
#define TESS_CHUNK_OFF_FILE_NAME 0      /* char[260]: "sender@name" for downloads */
#define TESS_CHUNK_OFF_FILE_SIZE 260    /* u32 */
#define TESS_CHUNK_OFF_SENDER 264       /* char[32] */
#define TESS_CHUNK_OFF_CHUNK_COUNT 296  /* u32 */
#define TESS_CHUNK_OFF_CHUNK_NUMBER 300 /* u32: 1 .. chunkCount */
#define TESS_CHUNK_OFF_FILE_OFFSET 304  /* u32 */
#define TESS_CHUNK_OFF_CHUNK_LENGTH 308 /* u32 */
#define TESS_CHUNK_OFF_DATA 312

/* UploadAnnouncement: payload of command 8 (312 bytes). */
#define TESS_ANNOUNCE_SIZE 312
#define TESS_ANNOUNCE_OFF_FILE_NAME 0   /* char[260] */
#define TESS_ANNOUNCE_OFF_FILE_SIZE 260 /* u32 */
#define TESS_ANNOUNCE_OFF_SENDER 264    /* char[32]; 16 zero bytes follow */

/* ReceivedFileEntry (364 bytes); command 30 carries a sequence of them. */
#define TESS_ENTRY_SIZE 364
#define TESS_ENTRY_OFF_SENDER 0       /* char[32] */
#define TESS_ENTRY_OFF_SENDER_NAME 32 /* char[32] */
#define TESS_ENTRY_OFF_PUBLIC_KEY 64  /* char[32] */
#define TESS_ENTRY_OFF_STORED_NAME 96 /* char[260]: "sender@name" */
#define TESS_ENTRY_OFF_FILE_SIZE 356  /* u32 */
#define TESS_ENTRY_OFF_SENT_TIME 360  /* u32, seconds since 1970-01-01 UTC */

/* Login payload (command 0, 66 bytes): byte 0 = 2, byte 1 = 1, account, password. */
#define TESS_LOGIN_SIZE 66
#define TESS_LOGIN_OFF_ACCOUNT 2   /* char[32] */
#define TESS_LOGIN_OFF_PASSWORD 34 /* char[32] */

/* Registration payload (command 2, 1095 bytes): 4 zero bytes, then the UserProfile. */
#define TESS_REGISTER_SIZE 1095
#define TESS_REGISTER_OFF_PROFILE 4

/* DelFriend payload (command 14, 96 bytes): the friend's account number at offset 32. */
#define TESS_DEL_FRIEND_OFF_ACCOUNT 32

#ifdef __cplusplus
}
#endif

#endif /* TESSNET_TESSNET_H */
