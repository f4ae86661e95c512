// hostsim's page: the session as the page follows it: the transcript of what it prints, the
// prompt it waits at, the host's marks, the lines sent to it and its end. The modules above
// learn of a change through onSessionChange.
import {hostFetch, postJson, sessionToken} from "./host.js";

const transcript = document.getElementById("transcript");
let transcriptEnd = 0;  // the offset of the next transcript byte to show
// What the session waits for, from /state: a pick or point, the pick box, the prompt's last line
// and the snap mode it names.
export let promptState = {pointPrompt: false, pickbox: 0, prompt: "Command: "};
export let marks = [];  // the host's marks, oldest first, as /marks lists them; replaced on change
export let sessionEnded = false;  // QUIT ran, or the host is gone

// Names this page's transcript requests: the host answers an older one of the same page at once.
const pageId = Array.from(crypto.getRandomValues(new Uint8Array(8)),
                          (byte) => byte.toString(16).padStart(2, "0")).join("");

const listeners = [];
export function onSessionChange(listener) {
  listeners.push(listener);
}

function sessionChanged() {
  for (const listener of listeners) listener();
}

export function atCommandPrompt() {
  return !promptState.pointPrompt && promptState.prompt === "Command: ";
}

export function showText(text) {
  transcript.textContent += text;
  transcript.scrollTop = transcript.scrollHeight;
}

// One request at a time reads the transcript: the host answers it as soon as the session prints
// (whoever typed the line, here or at the terminal), or empty after a while, and the page asks
// again.
export async function watchTranscript() {
  if (!sessionToken) showText("Open the address hostsim printed: this one has no session token.\n");
  let unreachable = 0;  // requests in a row that reached no host
  while (!sessionEnded) {
    try {
      const response = await hostFetch("transcript?wait=1&page=" + pageId + "&from=" + transcriptEnd);
      unreachable = 0;
      if (!response.ok) throw new Error("the transcript: " + response.status);
      const answer = await response.json();
      transcriptEnd = answer.end;
      if (answer.text) {
        showText(answer.text);
        afterAnswer();  // not awaited: the host answers it only once the session waits again
      }
      if (answer.ended) endSession();
    } catch (error) {
      if (error instanceof TypeError && ++unreachable >= 2) endSession();  // no host listens
      await new Promise((resolve) => setTimeout(resolve, 1000));  // the host is gone or busy
    }
  }
}

// Nothing more can run.
function endSession() {
  if (sessionEnded) return;
  sessionEnded = true;
  showText("\nThe session has ended; start hostsim --serve again for a new one.\n");
  promptState = {...promptState, pointPrompt: false, prompt: ""};
  sessionChanged();
}

// A refused line never reached the session, which still waits at its prompt: shown again.
export async function sendLine(line) {
  const response = await postJson("line", {line: line});
  const answer = await response.json();
  if (answer.refused) showText(line + "\n" + answer.refused + "\n" + promptState.prompt);
  await afterAnswer();
}

async function readPromptState() {
  const response = await hostFetch("state");
  if (response.ok && !sessionEnded) promptState = await response.json();
}

async function readMarks() {
  const response = await hostFetch("marks");
  if (!response.ok) return;
  const answer = await response.json();
  if (JSON.stringify(answer.marks) !== JSON.stringify(marks)) marks = answer.marks;
}

// The prompt's state and the marks after the session printed or was answered. Calls that come
// while a reading runs make one more reading after it, not one each.
let refreshing = false, refreshAgain = false;
export async function afterAnswer() {
  if (refreshing) {
    refreshAgain = true;
    return;
  }
  refreshing = true;
  try {
    do {
      refreshAgain = false;
      await readPromptState();
      await readMarks();
      sessionChanged();
    } while (refreshAgain);
  } finally {
    refreshing = false;
  }
}
