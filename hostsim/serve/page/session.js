// hostsim's page: the session as the page follows it: the transcript of what it prints, the
// state it waits in, the host's marks, the lines sent to it and its end. One channel brings them
// all: a request for the transcript that the host answers once there is news. The modules above
// learn of a change through onSessionChange.
import {hostFetch, postJson, sessionToken} from "./host.js";

const transcript = document.getElementById("transcript");
// What the session waits for: a pick or point, the pick box, the prompt's last line and the snap
// mode it names; the open drawing (drawingId, drawingName); the UCS; coordinateDecimals.
export let promptState = {pointPrompt: false, pickbox: 0, prompt: "Command: "};
export let marks = [];  // the host's marks, oldest first; replaced when they change
export let sessionEnded = false;  // QUIT ran, or the host is gone
// What this page has of the session: the transcript up to end, the state and marks revisions.
const seen = {end: 0, state: 0, marks: 0};

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

// The host's prompts start on a line of their own, after a blank one, as at a terminal; here
// the blank lines only take room from the exchanges above, so none is shown.
let shownEnd = "\n";  // the last character shown
export function showText(text) {
  const shown = (shownEnd + text).replace(/\n\n+/g, "\n").slice(1);
  if (!shown) return;
  transcript.textContent += shown;
  shownEnd = shown.slice(-1);
  transcript.scrollTop = transcript.scrollHeight;
}

// One request at a time waits for news: the host answers it as soon as the session prints or
// comes to rest (whoever typed the line, here or at the terminal), or empty after a while, and the
// page asks again.
export async function watchSession() {
  if (!sessionToken) showText("Open the address hostsim printed: this one has no session token.\n");
  let unreachable = 0;  // requests in a row that reached no host
  while (!sessionEnded) {
    try {
      const response = await hostFetch("transcript?wait=1&page=" + pageId + "&from=" + seen.end +
                                        "&state=" + seen.state + "&marks=" + seen.marks);
      unreachable = 0;
      if (!response.ok) throw new Error("the transcript: " + response.status);
      takeNews(await response.json());
    } catch (error) {
      if (error instanceof TypeError && ++unreachable >= 2) endSession();  // no host listens
      await new Promise((resolve) => setTimeout(resolve, 1000));  // the host is gone or busy
    }
  }
}

function takeNews(answer) {
  seen.end = answer.end;
  showText(answer.text);
  let changed = false;
  if (answer.state && answer.revision !== seen.state) {
    promptState = answer.state;
    changed = true;
  }
  seen.state = answer.revision;
  if (answer.marks) {
    marks = answer.marks;
    changed = true;
  }
  seen.marks = answer.marksRevision;
  if (answer.ended) endSession();
  else if (changed) sessionChanged();
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
}
